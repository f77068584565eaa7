// What the virtual boards need of the operating system: a shared, lockable file mapping, the process
// id, a rename that never replaces, and the folder of the module that holds this code. posix/ and
// win32/ implement it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tkbsim {

// A whole file mapped read-write and shared with every process that maps it, with an exclusive
// lock across processes. The lock is released when its holder closes the file or dies.
class MappedFile {
public:
    virtual ~MappedFile() = default;
    // Maps an existing file. Throws Error naming the file and what failed.
    static std::unique_ptr<MappedFile> Open(const std::string& path);
    // Creates a file of `size` zero bytes (failing if the name exists) and maps it.
    static std::unique_ptr<MappedFile> Create(const std::string& path, uint64_t size);

    virtual uint8_t* Data() = 0;
    virtual uint64_t Size() const = 0;
    // Blocks until this file handle holds the lock. Not re-entrant; one thread at a time per object.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
};

uint32_t CurrentProcessId();
// Renames `from` to `to` when no file named `to` exists; false when one does. Throws Error on
// other failures.
bool RenameNoReplace(const std::string& from, const std::string& to);
void RemoveFile(const std::string& path);
// The folder of the executable or shared library that contains this code; empty if unknown.
std::string ModuleDirectory();
// The value of an environment variable, empty when it is not set.
std::string EnvironmentVariable(const char* name);

}  // namespace tkbsim
