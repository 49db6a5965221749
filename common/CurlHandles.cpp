#include "common/CurlHandles.h"

#include <mutex>

namespace curlhandles {

bool started() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

Easy newEasy() {
    return Easy(started() ? curl_easy_init() : nullptr);
}

Multi newMulti() {
    // Starts nothing yet: libcurl starts when the handle is first used for a transfer.
    return Multi(curl_multi_init());
}

bool HeaderList::append(const std::string& line) {
    curl_slist* longer = curl_slist_append(m_list.get(), line.c_str());
    if (!longer)
        return false;
    (void)m_list.release(); // the longer list begins with the same node
    m_list.reset(longer);
    return true;
}

} // namespace curlhandles
