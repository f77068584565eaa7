// The system-wide lock on POSIX: a robust, recursive, process-shared mutex in a shared memory
// object named after the Windows mutex. Robustness gives the Windows "abandoned" behaviour: when
// the owner dies, the next waiter takes the lock over.
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <mutex>

#include "frame/platform.h"

namespace tkr {

namespace {

constexpr char kShmName[] = "/TKR50API_RES";
constexpr uint32_t kMagic = 0x544B5231;  // "TKR1": the layout below, initialised

struct SharedLock {
    uint32_t magic;
    pthread_mutex_t mutex;
};

// Maps the shared lock once per process; every handle uses the same mapping.
SharedLock* MapSharedLock(uint32_t& error) {
    static std::mutex mapMutex;
    static SharedLock* mapped = nullptr;
    std::lock_guard<std::mutex> guard(mapMutex);
    if (mapped)
        return mapped;

    const int fd = shm_open(kShmName, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = static_cast<uint32_t>(errno);
        return nullptr;
    }
    fchmod(fd, 0666);  // other users' processes share the lock too, whatever the umask
    // The first process initialises the mutex; the file lock keeps others out until it is ready.
    flock(fd, LOCK_EX);
    struct stat info {};
    fstat(fd, &info);
    if (static_cast<size_t>(info.st_size) < sizeof(SharedLock) && ftruncate(fd, sizeof(SharedLock)) != 0) {
        error = static_cast<uint32_t>(errno);
        flock(fd, LOCK_UN);
        close(fd);
        return nullptr;
    }
    void* memory = mmap(nullptr, sizeof(SharedLock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        error = static_cast<uint32_t>(errno);
        flock(fd, LOCK_UN);
        close(fd);
        return nullptr;
    }
    auto* lock = static_cast<SharedLock*>(memory);
    if (lock->magic != kMagic) {
        pthread_mutexattr_t attributes;
        pthread_mutexattr_init(&attributes);
        pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
        pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
        pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
        pthread_mutex_init(&lock->mutex, &attributes);
        pthread_mutexattr_destroy(&attributes);
        lock->magic = kMagic;
    }
    flock(fd, LOCK_UN);
    close(fd);
    mapped = lock;
    return mapped;
}

class PosixSystemMutex final : public SystemMutex {
public:
    explicit PosixSystemMutex(SharedLock& lock) : lock_(lock) {}

    void Lock() override {
        if (pthread_mutex_lock(&lock_.mutex) == EOWNERDEAD) {
            // The owner died inside an exchange; the board may hold a half-read reply, which the
            // next exchange's drain and status byte handle. The lock itself is sound again.
            pthread_mutex_consistent(&lock_.mutex);
        }
    }
    void Unlock() override { pthread_mutex_unlock(&lock_.mutex); }

private:
    SharedLock& lock_;
};

}  // namespace

std::unique_ptr<SystemMutex> SystemMutex::Open(uint32_t& error) {
    SharedLock* lock = MapSharedLock(error);
    if (!lock)
        return nullptr;
    return std::make_unique<PosixSystemMutex>(*lock);
}

}  // namespace tkr
