#pragma once

// Which links of a high-score page ask to watch a replay: "bloomzap/watch?id=N" under the site
// root of the score server the game talks to. Such a link on another site is never fetched.

#include <QString>
#include <QUrl>

#include <cstdint>

struct WatchLink {
    // other: not a watch link; watch: one on the game's own site; refused: a watch link
    // anywhere else, or with another query.
    enum class Kind { other, watch, refused };
    Kind kind = Kind::other;
    std::uint64_t id = 0; // the record's id, for watch
};

// href as the page gives it, resolved against the page's own address; siteRoot is the game's
// "http://host[:port]/..." ending in "/". A watch link: the same scheme, host and port (the
// scheme's default when none is written) and the path of the watch page under the root, with
// the query exactly "id=" and 1 to 18 digits.
WatchLink classifyWatchLink(const QUrl& page, const QString& href, const QUrl& siteRoot);
