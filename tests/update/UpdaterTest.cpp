// The update on a window's offer panel, with the real fetch, download and bloomzap-server:
// the offer, UPDATE while the window keeps running, every way it stops, and closing mid-way.

#include "update/Updater.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/update/Fakes.h"
#include "tools/makeinstaller/InstallerMaker.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <QtTest>

#include <memory>

using namespace updatetest;
using testsupport::httpReply;
using testsupport::ScriptedHttpServer;

namespace {

// How long a step against the local server may take on a busy machine, in milliseconds.
constexpr int patience = 30000;

// A window with the offer panel's components, as the game window has them.
struct OfferWindow {
    OfferWindow() {
        panel_update->hide();
        window.show();
    }
    UpdatePanelWidgets widgets() {
        return {panel_update, button_updateyes, button_updatecancel, label_update};
    }
    QWidget window;
    QWidget* panel_update = new QWidget(&window);
    QPushButton* button_updateyes = new QPushButton(panel_update);
    QPushButton* button_updatecancel = new QPushButton(panel_update);
    QLabel* label_update = new QLabel(panel_update);
};

} // namespace

class IntegrationUpdater : public QObject {
    Q_OBJECT

private slots:
    void theOfferFollowsTheVersionText_data() {
        QTest::addColumn<QString>("served");
        QTest::addColumn<bool>("switchOn");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("offer");
        QTest::newRow("same version") << "1.0.0" << true << "" << false;
        QTest::newRow("line break after it") << "1.0.0\n" << true << "" << true;
        QTest::newRow("error page") << "1.0.0" << true << "missing/" << true;
        QTest::newRow("switch off") << "1.0.1" << false << "" << false;
    }
    void theOfferFollowsTheVersionText() {
        QFETCH(QString, served);
        QFETCH(bool, switchOn);
        QFETCH(QString, folder);
        QFETCH(bool, offer);
        UpdateServer server(served.toStdString());
        QVERIFY(server.serving());
        OfferWindow window;
        Updater updater(&window.window, window.widgets(), server.siteRoot() + folder.toStdString(),
                        testPublicKey());
        updater.FormShow(switchOn, QStringLiteral("1.0.0"));
        QCOMPARE(updater.checkupdate->busy(), switchOn);
        QTRY_VERIFY_WITH_TIMEOUT(!updater.checkupdate->busy(), patience);
        QCOMPARE(!window.panel_update->isHidden(), offer);
        if (offer) {
            updater.button_updatecancelClick();
            QVERIFY(window.panel_update->isHidden());
        }
    }

    void updateRunsWhileTheWindowKeepsHandlingEvents() {
        UpdateServer server("1.0.1");
        QVERIFY(server.serving());
        TempDir folder;
        writeFile(folder / "bloomzap", "old program");
        writeFile(folder / "bloomzap.BAK", "an older backup");
        writeFile(folder / "new-bloomzap", "new program");
        InstallerMaker::make(folder / "new-bloomzap", testSecretKey(), server.updates());
        OfferWindow window;
        RecordingProcess process;
        Updater updater(&window.window, window.widgets(), server.siteRoot(), testPublicKey(),
                        &process);
        updater.FormShow(true, QStringLiteral("1.0.0"));
        QTRY_VERIFY_WITH_TIMEOUT(!window.panel_update->isHidden(), patience);

        updater.button_updateyesClick(folder / "bloomzap");
        QVERIFY(window.button_updateyes->isHidden());
        QVERIFY(window.button_updatecancel->isHidden());
        QCOMPARE(window.label_update->text(), QStringLiteral("Updating. Please Wait..."));
        QVERIFY(updater.getupdate->busy()); // the click has returned; the download goes on
        QTRY_VERIFY_WITH_TIMEOUT(process.exited, patience);
        QCOMPARE(window.label_update->text(), QStringLiteral("Installing"));
        QCOMPARE(process.started.value_or(""), folder / "bzpsetup.exe");
        QCOMPARE(readFile(folder / "bloomzap.BAK"), std::string("old program"));
    }

    // What the real server serves (nothing, or the maker's installer with one byte of it or
    // of its signature changed) and where the update ends.
    void aStoppedUpdateLeavesTheProgramUnderItsName_data() {
        QTest::addColumn<QString>("changed");
        QTest::addColumn<bool>("unknownHost");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("message");
        QTest::newRow("installer not found") << "" << false << "Download Aborted" << false;
        QTest::newRow("unknown host") << "" << true << "Download Aborted" << false;
        QTest::newRow("installer changed") << "bzpsetup.exe" << false << "Installing" << true;
        QTest::newRow("signature changed") << "bzpsetup.exe.sig" << false << "Installing" << true;
    }
    void aStoppedUpdateLeavesTheProgramUnderItsName() {
        QFETCH(QString, changed);
        QFETCH(bool, unknownHost);
        QFETCH(QString, status);
        QFETCH(bool, message);
        UpdateServer server("1.0.1");
        QVERIFY(server.serving());
        TempDir folder;
        writeFile(folder / "bloomzap", "old program");
        if (!changed.isEmpty()) {
            writeFile(folder / "new-bloomzap", "new program");
            InstallerMaker::make(folder / "new-bloomzap", testSecretKey(), server.updates());
            std::string bytes = readFile(server.updates() / changed.toStdString());
            bytes[5] ^= 1;
            writeFile(server.updates() / changed.toStdString(), bytes);
        }
        const std::string site =
            unknownHost ? "http://bloomzap-update.invalid/" : server.siteRoot();
        OfferWindow window;
        RecordingProcess process;
        QString shown;
        Updater updater(&window.window, window.widgets(), site, testPublicKey(), &process,
                        [&](const QString& text) { shown = text; });
        updater.button_updateyesClick(folder / "bloomzap");
        QTRY_COMPARE_WITH_TIMEOUT(window.label_update->text(), status, patience);
        QTRY_VERIFY_WITH_TIMEOUT(!updater.getupdate->busy(), patience);
        if (message) {
            QTRY_COMPARE_WITH_TIMEOUT(
                shown,
                QString::fromStdString("There was an error in the update process. "
                                       "Please download BLOOMZAP manually from " +
                                       site + "."),
                patience);
            QVERIFY(!fs::exists(folder / "bzpsetup.exe"));
        } else {
            // The body of the error reply stays in the installer file; no host, no body.
            QCOMPARE(readFile(folder / "bzpsetup.exe").find("Not found") != std::string::npos,
                     !unknownHost);
            QCOMPARE(fs::file_size(folder / "bzpsetup.exe") == 0, unknownHost);
            QVERIFY(shown.isEmpty());
        }
        QVERIFY(!process.started);
        QCOMPARE(readFile(folder / "bloomzap"), std::string("old program"));
        QVERIFY(!fs::exists(folder / "bloomzap.BAK"));
    }

    void closingTheWindowDuringTheDownloadGivesTheProgramItsNameBack() {
        ScriptedHttpServer silent(httpReply("never sent"), ScriptedHttpServer::Start::held);
        TempDir folder;
        writeFile(folder / "bloomzap", "old program");
        OfferWindow window;
        auto updater = std::make_unique<Updater>(&window.window, window.widgets(), silent.url("/"),
                                                 testPublicKey());
        updater->button_updateyesClick(folder / "bloomzap");
        QTRY_COMPARE_WITH_TIMEOUT(silent.requestCount(), std::size_t(1), patience);
        QVERIFY(!fs::exists(folder / "bloomzap"));
        updater.reset();
        QCOMPARE(readFile(folder / "bloomzap"), std::string("old program"));
        QVERIFY(!fs::exists(folder / "bloomzap.BAK"));
    }
};

QTEST_MAIN(IntegrationUpdater)
#include "UpdaterTest.moc"
