// Loading a library by file name and finding an entry point by name, as the system loads its
// optional helper libraries ("QelEventTraceWPP.dll" is a shared object of that very file name).
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/win32.h"

namespace qel::platform {

// An open shared object; unloaded on destruction.
class Library {
public:
    // Loads the file at `path` (a bare file name is looked for in the loader's usual places).
    // Null with the thread's last error ERROR_MOD_NOT_FOUND when it cannot be loaded.
    static std::unique_ptr<Library> load(const std::filesystem::path& path);
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // The entry point's address, or null with last error ERROR_PROC_NOT_FOUND.
    void* entry_point(const char* name) const;

    template <typename Fn>
    Fn entry_point_as(const char* name) const {
        return reinterpret_cast<Fn>(entry_point(name));
    }

private:
    explicit Library(void* handle) : handle_(handle) {}
    void* handle_;
};

}  // namespace qel::platform
