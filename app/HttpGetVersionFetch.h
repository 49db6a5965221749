#pragma once

#include "online/HTTPGet.h"
#include "update/VersionFetch.h"

#include <functional>
#include <string>

// `checkupdate` seen as the version fetch: its OnDoneString goes to the receiver.
class HttpGetVersionFetch : public VersionFetch {
public:
    HttpGetVersionFetch(THTTPGet& checkupdate, std::function<void(const std::string&)> receiver);
    void fetchString(const std::string& url) override;

private:
    THTTPGet& m_checkupdate;
};
