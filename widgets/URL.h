#pragma once

// TURL, the link opener.

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

// Which scheme the link opener puts in front of its link, in this order.
enum TURLType {
    utFile,   // "file://"
    utFtp,    // "ftp://"
    utGopher, // "gopher://"
    utHttp,   // "http://"
    utHttps,  // "https://"
    utMailto, // "mailto:"
    utNews,   // "news:"
    utTelnet, // "telnet:"
    utWais,   // "wais:"
    utnone    // the link is used as written
};

// A link without a look of its own that hands its address to the user's default program (the
// browser for web pages, the mail program for mail addresses). Only http, https and mailto
// addresses are ever handed on: a page from a server must not be able to start a local file or
// an arbitrary protocol handler through it, and web addresses holding a user name or password
// are not handed on either. Links are handed on whole, however long.
class TURL : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString URL READ URL WRITE setURL)

public:
    // Hands an address to the system; true when the system accepted it.
    using Opener = std::function<bool(const QUrl&)>;

    explicit TURL(QObject* parent = nullptr);

    QString URL() const { return m_url; }
    // Stores the link; opens nothing.
    void setURL(const QString& url);

    TURLType URLType() const { return m_urlType; }
    void setURLType(TURLType type) { m_urlType = type; }

    // Opens prefix + URL. False, with nothing opened, when URL is empty, when the address is
    // not an http, https or mailto address, when it holds user information, or when the system
    // refused it.
    bool OpenLink();

    // The address OpenLink would hand on: the prefix of URLType followed by URL.
    QString target() const;
    static QString prefix(TURLType type);
    // Whether an address may be handed to the system at all.
    static bool isOpenable(const QString& address);

    // Replaces the system's opener for every link opener, so tests open nothing. An empty
    // function puts the system's own back.
    static void setOpener(Opener opener);

private:
    QString m_url;
    TURLType m_urlType = utHttp;
};
