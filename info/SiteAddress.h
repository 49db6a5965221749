#pragma once

#include "widgets/URL.h"

#include <QString>

// The maker's web site as the link openers of the About and advertisement windows hold it:
// the site root split into its scheme and the address after it.
struct SiteAddress {
    TURLType type = utHttp; // utHttps only for an "https://" site root
    QString home;           // host[:port] and "/", e.g. "127.0.0.1:8080/"
    QString folder;         // host[:port] and the root's path, ending in "/"

    // From a site root such as "http://127.0.0.1:8080/". A root without a host gives empty
    // addresses, which the link openers refuse to open.
    static SiteAddress fromRoot(const QString& siteRoot);
};
