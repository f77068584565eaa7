// The shared open flag on POSIX: one word in a shared memory object named after the library file
// that holds this code, so that exactly the processes that load the same file share it.
//
// On Windows the shared section lives as long as some process has the library loaded, and starts
// at 0 again after that. The same lifetime here: every user holds a shared file lock on the object
// for its whole life, and a process that finds no other holder starts the flag at 0. A process that
// died with the flag set therefore never blocks the next run.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "frame/platform.h"

namespace tkr {

namespace {

std::string OwnFilePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&SharedOpenFlag), &info) == 0 || !info.dli_fname)
        return "unknown";
    char resolved[PATH_MAX];
    return realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
}

uint64_t Fnv1a(const std::string& text) {
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

volatile uint32_t* MapFlag() {
    char name[64];
    std::snprintf(name, sizeof name, "/tkr50api-flag-%016llx",
                  static_cast<unsigned long long>(Fnv1a(OwnFilePath())));
    const int fd = shm_open(name, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) {
        fchmod(fd, 0666);
        struct stat info {};
        fstat(fd, &info);
        if (info.st_size >= static_cast<off_t>(sizeof(uint32_t)) || ftruncate(fd, sizeof(uint32_t)) == 0) {
            void* memory = mmap(nullptr, sizeof(uint32_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (memory != MAP_FAILED) {
                auto* flag = static_cast<volatile uint32_t*>(memory);
                if (flock(fd, LOCK_EX | LOCK_NB) == 0)
                    *flag = 0;  // nobody else has the file loaded
                flock(fd, LOCK_SH);
                return flag;  // fd stays open: its lock marks this process as a user
            }
        }
        close(fd);
    }
    // Without shared memory the flag still works within this process.
    static volatile uint32_t processLocal = 0;
    return &processLocal;
}

}  // namespace

volatile uint32_t& SharedOpenFlag() {
    static volatile uint32_t* flag = MapFlag();
    return *flag;
}

}  // namespace tkr
