#include "common/http/HttpIdn.h"

// Only the types and constants come from the header; the functions are looked up once the
// library is loaded.
#include <idn2.h>

#include <dlfcn.h>

#include <algorithm>
#include <mutex>

namespace httpidn {

namespace {

struct Library {
    decltype(&idn2_to_ascii_8z) toAscii = nullptr;
    decltype(&idn2_free) release = nullptr;
};

const Library* idn2() {
    static std::once_flag once;
    static const Library* library = nullptr;
    std::call_once(once, [] {
        void* handle = ::dlopen("libidn2.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            return;
        }
        static Library found;
        found.toAscii =
            reinterpret_cast<decltype(found.toAscii)>(::dlsym(handle, "idn2_to_ascii_8z"));
        found.release = reinterpret_cast<decltype(found.release)>(::dlsym(handle, "idn2_free"));
        if (found.toAscii && found.release) {
            library = &found;
        }
    });
    return library;
}

} // namespace

std::optional<std::string> asciiHost(const std::string& host) {
    if (std::all_of(host.begin(), host.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return host;
    }
    const Library* library = idn2();
    if (!library) {
        return std::nullopt;
    }
    char* ascii = nullptr;
    if (library->toAscii(host.c_str(), &ascii, IDN2_NONTRANSITIONAL) != IDN2_OK || !ascii) {
        return std::nullopt;
    }
    std::string result(ascii);
    library->release(ascii);
    return result;
}

} // namespace httpidn
