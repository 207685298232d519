#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace trevane {

std::unique_ptr<DynamicLibrary> DynamicLibrary::open(const std::string& file, std::string* error,
                                                     const LibraryLoadOptions& options) {
    // RTLD_LOCAL keeps the library's symbols to itself, so unloading it really lets it go.
    const int mode = (options.bindAtFirstCall ? RTLD_LAZY : RTLD_NOW) | RTLD_LOCAL |
                     (options.keepLoaded ? RTLD_NODELETE : 0);
    void* handle = ::dlopen(file.c_str(), mode);
    if (!handle) {
        if (error) {
            const char* reason = ::dlerror();
            *error = reason ? reason : "cannot load " + file;
        }
        return nullptr;
    }
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

DynamicLibrary::~DynamicLibrary() {
    ::dlclose(m_handle);
}

void* DynamicLibrary::symbol(const char* name) const {
    return ::dlsym(m_handle, name);
}

} // namespace trevane
