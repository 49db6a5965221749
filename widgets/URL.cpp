#include "widgets/URL.h"

#include <QDesktopServices>

namespace {

bool openWithSystem(const QUrl& url) {
    // The platform decides whether the started program takes the focus; Qt has no way to ask
    // for it to come up behind the game.
    return QDesktopServices::openUrl(url);
}

TURL::Opener& opener() {
    static TURL::Opener current = openWithSystem;
    return current;
}

} // namespace

TURL::TURL(QObject* parent) : QObject(parent) {}

void TURL::setURL(const QString& url) {
    m_url = url;
}

QString TURL::prefix(TURLType type) {
    switch (type) {
    case utFile:
        return QStringLiteral("file://");
    case utFtp:
        return QStringLiteral("ftp://");
    case utGopher:
        return QStringLiteral("gopher://");
    case utHttp:
        return QStringLiteral("http://");
    case utHttps:
        return QStringLiteral("https://");
    case utMailto:
        return QStringLiteral("mailto:");
    case utNews:
        return QStringLiteral("news:");
    case utTelnet:
        return QStringLiteral("telnet:");
    case utWais:
        return QStringLiteral("wais:");
    case utnone:
        break;
    }
    return QString();
}

QString TURL::target() const {
    return prefix(m_urlType) + m_url;
}

// Read as a browser reads a link: blanks and other bytes a strict address may not hold are
// escaped rather than making the link unusable.
bool TURL::isOpenable(const QString& address) {
    const QUrl url(address, QUrl::TolerantMode);
    if (!url.isValid()) {
        return false;
    }
    const QString scheme = url.scheme();
    // A link with a user name or password in it is refused: it hands credentials to a site, or
    // shows one host while it leads to another ("http://bank.example@evil.example/").
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        return !url.host().isEmpty() && url.userInfo().isEmpty() &&
               !address.left(address.indexOf(QLatin1Char('/'), 8)).contains(QLatin1Char('@'));
    }
    if (scheme == QLatin1String("mailto")) {
        return !url.path().trimmed().isEmpty();
    }
    // file:, every other scheme and a bare relative name.
    return false;
}

bool TURL::OpenLink() {
    if (m_url.isEmpty()) {
        return false;
    }
    const QString address = target();
    if (!isOpenable(address)) {
        return false;
    }
    return opener()(QUrl(address, QUrl::TolerantMode));
}

void TURL::setOpener(Opener replacement) {
    opener() = replacement ? std::move(replacement) : Opener(openWithSystem);
}
