// libcurl's functions as the game calls them, opened the first time one is called. Linked
// directly, libcurl and the forty-odd libraries it needs (TLS, SSH, LDAP, Kerberos, ...) would be
// loaded and relocated before the first window could appear, although the network is used only
// later. The callers include <curl/curl.h> and call libcurl as usual; these definitions stand in
// for the library's own. When libcurl cannot be opened, every call fails as libcurl itself fails
// when it cannot start: CURLE_FAILED_INIT, empty handles, no list.
#define CURL_DISABLE_TYPECHECK // the checking macros would hide the definitions below
#include "common/CurlHandles.h"

#include <condition_variable>
#include <cstdarg>
#include <dlfcn.h>
#include <mutex>
#include <new>
#include <thread>

namespace {

// The libcurl ABI the headers describe (Debian's libcurl4).
constexpr const char* libraryName = "libcurl.so.4";

// Every function of libcurl the game uses; one more is one more line here and its definition
// below.
#define BLOOMZAP_CURL_FUNCTIONS(F)                                                                 \
    F(curl_global_init)                                                                            \
    F(curl_global_cleanup)                                                                         \
    F(curl_free)                                                                                   \
    F(curl_slist_append)                                                                           \
    F(curl_slist_free_all)                                                                         \
    F(curl_easy_init)                                                                              \
    F(curl_easy_setopt)                                                                            \
    F(curl_easy_perform)                                                                           \
    F(curl_easy_getinfo)                                                                           \
    F(curl_easy_cleanup)                                                                           \
    F(curl_easy_reset)                                                                             \
    F(curl_easy_strerror)                                                                          \
    F(curl_easy_escape)                                                                            \
    F(curl_multi_init)                                                                             \
    F(curl_multi_setopt)                                                                           \
    F(curl_multi_add_handle)                                                                       \
    F(curl_multi_remove_handle)                                                                    \
    F(curl_multi_perform)                                                                          \
    F(curl_multi_poll)                                                                             \
    F(curl_multi_wait)                                                                             \
    F(curl_multi_wakeup)                                                                           \
    F(curl_multi_info_read)                                                                        \
    F(curl_multi_cleanup)                                                                          \
    F(curl_multi_strerror)                                                                         \
    F(curl_url)                                                                                    \
    F(curl_url_set)                                                                                \
    F(curl_url_get)                                                                                \
    F(curl_url_cleanup)                                                                            \
    F(curl_url_strerror)

struct Functions {
#define BLOOMZAP_CURL_POINTER(name) decltype(&::name) name = nullptr;
    BLOOMZAP_CURL_FUNCTIONS(BLOOMZAP_CURL_POINTER)
#undef BLOOMZAP_CURL_POINTER
};

std::mutex holdMutex;
std::condition_variable released;
bool held = false;
std::thread::id holder;

void waitWhileHeld() {
    std::unique_lock lock(holdMutex);
    if (held && std::this_thread::get_id() != holder &&
        !released.wait_for(lock, curlhandles::holdLimit, [] { return !held; }))
        held = false; // the holder is not coming back; nobody else waits
}

// The library's functions, or null when it or one of them is missing. The library stays loaded
// for the rest of the process.
const Functions* loaded() {
    static const Functions* const functions = []() -> const Functions* {
        waitWhileHeld();
        void* library = dlopen(libraryName, RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return nullptr;
        static Functions found;
        bool complete = true;
#define BLOOMZAP_CURL_LOOKUP(name)                                                                 \
    found.name = reinterpret_cast<decltype(found.name)>(dlsym(library, #name));                    \
    complete = complete && found.name != nullptr;
        BLOOMZAP_CURL_FUNCTIONS(BLOOMZAP_CURL_LOOKUP)
#undef BLOOMZAP_CURL_LOOKUP
        return complete ? &found : nullptr;
    }();
    return functions;
}

// An option's value is passed on as the type its number says it has.
using AnyFunction = void (*)();

// A multi handle as the callers hold it: libcurl's own one is made (and libcurl loaded) when
// the handle is first used for a transfer. The installer download makes its handle with the game
// window, long before it downloads anything, if ever.
struct DeferredMulti {
    std::mutex mutex;
    CURLM* real = nullptr;
};

// libcurl's handle behind `multi`, made now when `make` and libcurl starts; null otherwise.
CURLM* realMulti(CURLM* multi, bool make) {
    auto* deferred = static_cast<DeferredMulti*>(multi);
    // Started outside the handle's lock: starting may wait for a hold, and a wake-up from another
    // thread must not wait with it.
    const bool ready = make && curlhandles::started();
    const std::lock_guard lock(deferred->mutex);
    if (!deferred->real && ready)
        deferred->real = loaded()->curl_multi_init();
    return deferred->real;
}

} // namespace

namespace curlhandles {

void hold() {
    const std::lock_guard lock(holdMutex);
    held = true;
    holder = std::this_thread::get_id();
}

void release() {
    {
        const std::lock_guard lock(holdMutex);
        held = false;
    }
    released.notify_all();
}

} // namespace curlhandles

extern "C" {

CURLcode curl_global_init(long flags) {
    const Functions* f = loaded();
    return f ? f->curl_global_init(flags) : CURLE_FAILED_INIT;
}

void curl_global_cleanup() {
    if (const Functions* f = loaded())
        f->curl_global_cleanup();
}

void curl_free(void* p) {
    if (const Functions* f = loaded())
        f->curl_free(p);
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
    const Functions* f = loaded();
    return f ? f->curl_slist_append(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
    if (const Functions* f = loaded())
        f->curl_slist_free_all(list);
}

CURL* curl_easy_init() {
    const Functions* f = loaded();
    return f ? f->curl_easy_init() : nullptr;
}

CURLcode curl_easy_setopt(CURL* curl, CURLoption option, ...) {
    const Functions* f = loaded();
    if (!f)
        return CURLE_FAILED_INIT;
    std::va_list value;
    va_start(value, option);
    CURLcode result = CURLE_OK;
    if (option < CURLOPTTYPE_OBJECTPOINT)
        result = f->curl_easy_setopt(curl, option, va_arg(value, long));
    else if (option < CURLOPTTYPE_FUNCTIONPOINT)
        result = f->curl_easy_setopt(curl, option, va_arg(value, void*));
    else if (option < CURLOPTTYPE_OFF_T)
        result = f->curl_easy_setopt(curl, option, va_arg(value, AnyFunction));
    else if (option < CURLOPTTYPE_BLOB)
        result = f->curl_easy_setopt(curl, option, va_arg(value, curl_off_t));
    else
        result = f->curl_easy_setopt(curl, option, va_arg(value, void*));
    va_end(value);
    return result;
}

CURLcode curl_easy_perform(CURL* curl) {
    const Functions* f = loaded();
    return f ? f->curl_easy_perform(curl) : CURLE_FAILED_INIT;
}

// Every kind of information is written through a pointer.
CURLcode curl_easy_getinfo(CURL* curl, CURLINFO info, ...) {
    const Functions* f = loaded();
    if (!f)
        return CURLE_FAILED_INIT;
    std::va_list value;
    va_start(value, info);
    void* const target = va_arg(value, void*);
    va_end(value);
    return f->curl_easy_getinfo(curl, info, target);
}

void curl_easy_cleanup(CURL* curl) {
    if (const Functions* f = loaded())
        f->curl_easy_cleanup(curl);
}

void curl_easy_reset(CURL* curl) {
    if (const Functions* f = loaded())
        f->curl_easy_reset(curl);
}

const char* curl_easy_strerror(CURLcode code) {
    const Functions* f = loaded();
    return f ? f->curl_easy_strerror(code) : "libcurl could not be loaded";
}

char* curl_easy_escape(CURL* curl, const char* text, int length) {
    const Functions* f = loaded();
    return f ? f->curl_easy_escape(curl, text, length) : nullptr;
}

CURLM* curl_multi_init() {
    return new (std::nothrow) DeferredMulti;
}

CURLMcode curl_multi_setopt(CURLM* multi, CURLMoption option, ...) {
    CURLM* real = realMulti(multi, true);
    if (!real)
        return CURLM_OUT_OF_MEMORY;
    std::va_list value;
    va_start(value, option);
    CURLMcode result = CURLM_OK;
    const Functions* f = loaded();
    if (option < CURLOPTTYPE_OBJECTPOINT)
        result = f->curl_multi_setopt(real, option, va_arg(value, long));
    else if (option < CURLOPTTYPE_FUNCTIONPOINT)
        result = f->curl_multi_setopt(real, option, va_arg(value, void*));
    else if (option < CURLOPTTYPE_OFF_T)
        result = f->curl_multi_setopt(real, option, va_arg(value, AnyFunction));
    else
        result = f->curl_multi_setopt(real, option, va_arg(value, curl_off_t));
    va_end(value);
    return result;
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* curl) {
    CURLM* real = realMulti(multi, true);
    return real ? loaded()->curl_multi_add_handle(real, curl) : CURLM_OUT_OF_MEMORY;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* curl) {
    CURLM* real = realMulti(multi, false);
    return real ? loaded()->curl_multi_remove_handle(real, curl) : CURLM_BAD_EASY_HANDLE;
}

CURLMcode curl_multi_perform(CURLM* multi, int* running) {
    CURLM* real = realMulti(multi, true);
    if (real)
        return loaded()->curl_multi_perform(real, running);
    *running = 0;
    return CURLM_OUT_OF_MEMORY;
}

CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd extraFds[], unsigned int extraCount,
                          int timeoutMs, int* ready) {
    CURLM* real = realMulti(multi, true);
    return real ? loaded()->curl_multi_poll(real, extraFds, extraCount, timeoutMs, ready)
                : CURLM_OUT_OF_MEMORY;
}

CURLMcode curl_multi_wait(CURLM* multi, curl_waitfd extraFds[], unsigned int extraCount,
                          int timeoutMs, int* ready) {
    CURLM* real = realMulti(multi, true);
    return real ? loaded()->curl_multi_wait(real, extraFds, extraCount, timeoutMs, ready)
                : CURLM_OUT_OF_MEMORY;
}

// A handle not used yet has nobody waiting in it to wake.
CURLMcode curl_multi_wakeup(CURLM* multi) {
    CURLM* real = realMulti(multi, false);
    return real ? loaded()->curl_multi_wakeup(real) : CURLM_OK;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* queued) {
    CURLM* real = realMulti(multi, false);
    if (real)
        return loaded()->curl_multi_info_read(real, queued);
    *queued = 0;
    return nullptr;
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
    if (!multi)
        return CURLM_BAD_HANDLE;
    CURLM* real = realMulti(multi, false);
    delete static_cast<DeferredMulti*>(multi);
    return real ? loaded()->curl_multi_cleanup(real) : CURLM_OK;
}

const char* curl_multi_strerror(CURLMcode code) {
    const Functions* f = loaded();
    return f ? f->curl_multi_strerror(code) : "libcurl could not be loaded";
}

CURLU* curl_url() {
    const Functions* f = loaded();
    return f ? f->curl_url() : nullptr;
}

CURLUcode curl_url_set(CURLU* url, CURLUPart part, const char* text, unsigned int flags) {
    const Functions* f = loaded();
    return f ? f->curl_url_set(url, part, text, flags) : CURLUE_BAD_HANDLE;
}

CURLUcode curl_url_get(CURLU* url, CURLUPart part, char** text, unsigned int flags) {
    const Functions* f = loaded();
    return f ? f->curl_url_get(url, part, text, flags) : CURLUE_BAD_HANDLE;
}

void curl_url_cleanup(CURLU* url) {
    if (const Functions* f = loaded())
        f->curl_url_cleanup(url);
}

const char* curl_url_strerror(CURLUcode code) {
    const Functions* f = loaded();
    return f ? f->curl_url_strerror(code) : "libcurl could not be loaded";
}

} // extern "C"
