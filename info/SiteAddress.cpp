#include "info/SiteAddress.h"

#include <QUrl>

SiteAddress SiteAddress::fromRoot(const QString& siteRoot) {
    SiteAddress site;
    const QUrl url(siteRoot.trimmed());
    QString host = url.host(QUrl::FullyEncoded);
    if (!url.isValid() || host.isEmpty()) {
        return site;
    }
    if (url.scheme() == QLatin1String("https")) {
        site.type = utHttps;
    }
    if (host.contains(QLatin1Char(':'))) {
        host = QLatin1Char('[') + host + QLatin1Char(']');
    }
    if (url.port() != -1) {
        host += QLatin1Char(':') + QString::number(url.port());
    }
    site.home = host + QLatin1Char('/');
    QString path = url.path(QUrl::FullyEncoded);
    if (!path.startsWith(QLatin1Char('/'))) {
        path.prepend(QLatin1Char('/'));
    }
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    site.folder = host + path;
    return site;
}
