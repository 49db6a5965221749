#include "online/WatchLink.h"

#include "common/SiteNames.h"

#include <QRegularExpression>

namespace {

int portOf(const QUrl& url) {
    return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
}

} // namespace

WatchLink classifyWatchLink(const QUrl& page, const QString& href, const QUrl& siteRoot) {
    const QUrl target = page.resolved(QUrl(href));
    const QString watch =
        QString::fromLatin1(site::watchPath.data(), static_cast<qsizetype>(site::watchPath.size()));
    WatchLink link;
    if (!target.isValid() || !target.path(QUrl::FullyEncoded).endsWith(watch)) {
        return link;
    }
    const bool sameSite = target.scheme().compare(siteRoot.scheme(), Qt::CaseInsensitive) == 0 &&
                          target.host().compare(siteRoot.host(), Qt::CaseInsensitive) == 0 &&
                          portOf(target) == portOf(siteRoot);
    if (!sameSite || target.path(QUrl::FullyEncoded) != siteRoot.path(QUrl::FullyEncoded) + watch) {
        // A page on another site (or under another root) names a record the game cannot vouch
        // for the origin of.
        link.kind = WatchLink::Kind::refused;
        return link;
    }
    static const QRegularExpression idQuery(QStringLiteral("^id=([0-9]{1,18})$"));
    const QRegularExpressionMatch match = idQuery.match(target.query(QUrl::FullyEncoded));
    if (!match.hasMatch()) {
        link.kind = WatchLink::Kind::refused;
        return link;
    }
    link.kind = WatchLink::Kind::watch;
    link.id = match.captured(1).toULongLong();
    return link;
}
