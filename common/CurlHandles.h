#pragma once

// The libcurl handles the game's two HTTP clients use, as owning pointers, and the one start-up
// of libcurl for the whole process. Each client keeps its own policy (redirects, limits,
// headers, time-outs); this file only owns what libcurl hands out. libcurl itself is loaded at
// that start-up, not with the program; a libcurl that cannot be loaded fails to start.

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <string>

namespace curlhandles {

struct EasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct MultiCleanup {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct UrlCleanup {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
struct ListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using Easy = std::unique_ptr<CURL, EasyCleanup>;
using Multi = std::unique_ptr<CURLM, MultiCleanup>;
using Url = std::unique_ptr<CURLU, UrlCleanup>;

// Starts libcurl the first time it is called, from any thread; false when that failed, and
// then on every later call.
bool started();

// libcurl is loaded by the first call into it. hold() makes that first call wait, on any thread
// but the holder's, until release() or for at most holdLimit, so that loading libcurl and the
// many libraries it needs does not take the processor from the holder (making the first window).
void hold();
void release();
inline constexpr std::chrono::seconds holdLimit{5};

// A new transfer handle; empty when libcurl did not start or is out of memory.
Easy newEasy();
// A new multi handle; empty when out of memory. libcurl starts when the handle is first used
// for a transfer; a libcurl that cannot start fails that first use.
Multi newMulti();

// A request's header lines, in the order appended, freed with the list.
class HeaderList {
public:
    // False when there was no memory for the line; the list stays as it was.
    bool append(const std::string& line);
    curl_slist* get() const { return m_list.get(); }

private:
    std::unique_ptr<curl_slist, ListCleanup> m_list;
};

} // namespace curlhandles
