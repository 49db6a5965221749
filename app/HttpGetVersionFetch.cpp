#include "app/HttpGetVersionFetch.h"

HttpGetVersionFetch::HttpGetVersionFetch(THTTPGet& checkupdate,
                                         std::function<void(const std::string&)> receiver)
    : m_checkupdate(checkupdate) {
    m_checkupdate.setAcceptTypes("*/*");
    m_checkupdate.setUseCache(false);
    m_checkupdate.setBinaryData(false);
    m_checkupdate.setWaitThread(false);
    m_checkupdate.setOnDoneString(
        [receiver = std::move(receiver)](QObject*, const std::string& text) { receiver(text); });
}

void HttpGetVersionFetch::fetchString(const std::string& url) {
    m_checkupdate.setURL(url);
    m_checkupdate.FetchString();
}
