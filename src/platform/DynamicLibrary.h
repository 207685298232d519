#pragma once

#include <memory>
#include <string>

namespace trevane {

// A shared library loaded into the process; unloaded when the object is destroyed.
class DynamicLibrary {
public:
    // When the library's calls into other libraries are bound: all at load, so a missing one
    // fails the load; or each at its first call, which loads a library with many such calls
    // (and the libraries it brings that bind theirs lazily) much faster.
    enum class Binding { AtLoad, AtFirstCall };

    // Loads file: a path with a folder part is loaded from exactly there, a bare name through
    // the system's library search. Returns null, with the reason in *error when given, when the
    // library cannot be loaded.
    static std::unique_ptr<DynamicLibrary> open(const std::string& file, std::string* error,
                                                Binding binding = Binding::AtLoad);

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
