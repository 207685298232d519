#pragma once

#include <memory>
#include <string>

namespace trevane {

// How DynamicLibrary::open loads a library.
struct LibraryLoadOptions {
    // The library's calls into other libraries are bound each at its first call rather than
    // all at load (where a missing one fails the load): a library with many such calls, and
    // the libraries it brings, load much faster.
    bool bindAtFirstCall = false;
    // Destroying the DynamicLibrary leaves the library loaded until the process ends: for one
    // that registers what it defines with other libraries, as the window module does with Qt.
    bool keepLoaded = false;
};

// A shared library loaded into the process; unloaded when the object is destroyed (unless
// loaded to be kept).
class DynamicLibrary {
public:
    // Loads file: a path with a folder part is loaded from exactly there, a bare name through
    // the system's library search. Returns null, with the reason in *error when given, when the
    // library cannot be loaded.
    static std::unique_ptr<DynamicLibrary> open(const std::string& file, std::string* error,
                                                const LibraryLoadOptions& options = {});

    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // The address of the exported symbol name, or null when the library has none. It stays
    // valid while this object lives.
    void* symbol(const char* name) const;

private:
    explicit DynamicLibrary(void* handle) : m_handle(handle) {}
    void* m_handle;
};

} // namespace trevane
