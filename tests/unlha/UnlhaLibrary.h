#pragma once

#include <cstdint>
#include <dlfcn.h>
#include <string>
#include <vector>

namespace unlhatest {

// Loads libUnlha32.so by absolute path as the program does, for one or more calls.
class UnlhaLibrary {
public:
    using Entry = int (*)(void*, const char*, char*, uint32_t);

    UnlhaLibrary() : m_handle(::dlopen(UNLHA_LIBRARY, RTLD_NOW | RTLD_LOCAL)) {
        if (m_handle)
            m_entry = reinterpret_cast<Entry>(::dlsym(m_handle, "Unlha"));
    }
    ~UnlhaLibrary() {
        if (m_handle)
            ::dlclose(m_handle);
    }
    UnlhaLibrary(const UnlhaLibrary&) = delete;
    UnlhaLibrary& operator=(const UnlhaLibrary&) = delete;

    bool loaded() const { return m_entry != nullptr; }

    struct Result {
        int code;
        std::string output;
    };
    Result call(const std::string& commandLine, uint32_t outputSize = 1 << 20) const {
        std::vector<char> out(outputSize + 1, '\x7f');
        int code = m_entry(nullptr, commandLine.c_str(), out.data(), outputSize);
        return {code, std::string(out.data())};
    }

private:
    void* m_handle;
    Entry m_entry = nullptr;
};

} // namespace unlhatest
