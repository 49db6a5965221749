// The link opener: the address formed from each prefix, and which addresses reach the system.
#include "widgets/URL.h"

#include <QObject>
#include <QStringList>
#include <QTest>

Q_DECLARE_METATYPE(TURLType)

class URL : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_opened.clear();
        m_accept = true;
        TURL::setOpener([this](const QUrl& url) {
            m_opened << url.toString();
            return m_accept;
        });
    }
    void cleanup() { TURL::setOpener({}); }

    void startsAsAnEmptyHttpLink() {
        TURL url;
        QCOMPARE(url.URLType(), utHttp);
        QVERIFY(url.URL().isEmpty());
    }

    void opensOnlyWebAndMailAddresses_data() {
        QTest::addColumn<TURLType>("type");
        QTest::addColumn<QString>("link");
        // Empty: nothing reached the opener.
        QTest::addColumn<QString>("opened");

        QTest::newRow("http") << utHttp << "127.0.0.1:8080/multiplayer.html"
                              << "http://127.0.0.1:8080/multiplayer.html";
        QTest::newRow("https") << utHttps << "example.org/a?b=c"
                               << "https://example.org/a?b=c";
        QTest::newRow("mailto") << utMailto << "ann@example.org"
                                << "mailto:ann@example.org";
        QTest::newRow("none keeps http") << utnone << "http://example.org/x"
                                         << "http://example.org/x";
        QTest::newRow("none keeps mailto") << utnone << "mailto:bob@example.org"
                                           << "mailto:bob@example.org";
        // Links on a page are not always well escaped; a browser still opens them.
        QTest::newRow("none with blank and bar") << utnone << "http://example.org/my page?a=1|2"
                                                 << "http://example.org/my page?a=1%7C2";
        QTest::newRow("empty link") << utHttp << ""
                                    << "";
        QTest::newRow("file") << utFile << "/etc/passwd"
                              << "";
        QTest::newRow("ftp") << utFtp << "example.org/pub"
                             << "";
        QTest::newRow("gopher") << utGopher << "example.org"
                                << "";
        QTest::newRow("news") << utNews << "comp.games"
                              << "";
        QTest::newRow("telnet") << utTelnet << "example.org"
                                << "";
        QTest::newRow("wais") << utWais << "example.org"
                              << "";
        QTest::newRow("none file") << utnone << "file:///etc/passwd"
                                   << "";
        QTest::newRow("none other scheme") << utnone << "javascript:alert(1)"
                                           << "";
        QTest::newRow("none relative name") << utnone << "bloomzap.shtml"
                                            << "";
        QTest::newRow("none absolute path") << utnone << "/tmp/x.sh"
                                            << "";
        QTest::newRow("http without host") << utnone << "http:///x"
                                           << "";
        QTest::newRow("http with a bad port") << utHttp << "javascript:alert(1)"
                                              << "";
        QTest::newRow("mailto without address") << utMailto << " "
                                                << "";
        // A link's user information would hand credentials on, or hide where it leads.
        QTest::newRow("user and password") << utnone << "http://user:pw@example.org/"
                                           << "";
        QTest::newRow("user only, https") << utnone << "https://bank.example@evil.example/x"
                                          << "";
        QTest::newRow("user info without a path") << utHttp << "a@example.org"
                                                  << "";
        QTest::newRow("at sign in the path") << utnone << "http://example.org/p@q"
                                             << "http://example.org/p@q";
    }
    void opensOnlyWebAndMailAddresses() {
        QFETCH(TURLType, type);
        QFETCH(QString, link);
        QFETCH(QString, opened);
        TURL url;
        url.setURLType(type);
        url.setURL(link);
        QCOMPARE(url.OpenLink(), !opened.isEmpty());
        QCOMPARE(m_opened, opened.isEmpty() ? QStringList() : QStringList{opened});
    }

    void formsEachPrefixInFrontOfTheLink_data() {
        QTest::addColumn<TURLType>("type");
        QTest::addColumn<QString>("target");
        const QStringList expected{"file://", "ftp://", "gopher://", "http://", "https://",
                                   "mailto:", "news:",  "telnet:",   "wais:",   ""};
        for (int type = utFile; type <= utnone; ++type) {
            QTest::newRow(qPrintable(QString::number(type)))
                << static_cast<TURLType>(type) << expected.at(type) + "host/page";
        }
    }
    void formsEachPrefixInFrontOfTheLink() {
        QFETCH(TURLType, type);
        QFETCH(QString, target);
        TURL url;
        url.setURLType(type);
        url.setURL("host/page");
        QCOMPARE(url.target(), target);
    }

    void reportsWhenTheSystemRefuses() {
        m_accept = false;
        TURL url;
        url.setURL("example.org/");
        QVERIFY(!url.OpenLink());
        QCOMPARE(m_opened, QStringList{"http://example.org/"});
    }

private:
    QStringList m_opened;
    bool m_accept = true;
};

QTEST_GUILESS_MAIN(URL)
#include "URLTest.moc"
