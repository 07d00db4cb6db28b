#include "platform/library.h"

#include <dlfcn.h>

#include "platform/last_error.h"

namespace qel::platform {

std::unique_ptr<Library> Library::load(const std::filesystem::path& path) {
    // RTLD_LOCAL: the library's symbols stay its own, as a loaded module's are on the platform.
    void* handle = path.empty() ? nullptr : ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        set_last_error(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return std::unique_ptr<Library>(new Library(handle));
}

Library::~Library() { ::dlclose(handle_); }

void* Library::entry_point(const char* name) const {
    void* address = name == nullptr ? nullptr : ::dlsym(handle_, name);
    if (address == nullptr) set_last_error(ERROR_PROC_NOT_FOUND);
    return address;
}

}  // namespace qel::platform
