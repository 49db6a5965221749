#pragma once

#include <string>

// The background text fetch `checkupdate`. A reply arrives only for a fetch that delivered a
// non-empty body; a failed fetch is silent.
class VersionFetch {
public:
    virtual ~VersionFetch() = default;
    virtual void fetchString(const std::string& url) = 0;
};
