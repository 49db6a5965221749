// The update on a window's offer panel, with the real fetch, download and bloomzap-server:
// the offer, UPDATE while the window keeps running, every release that is refused, a packaged
// build, and closing mid-way.

#include "app/Updater.h"
#include "tests/support/Fakes.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/UpdateServer.h"
#include "update/InstallerMaker.h"
#include "update/QtUpdateScreen.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <QtTest>

#include <memory>
#include <set>

using namespace testsupport;
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

std::set<std::string> names(const fs::path& folder) {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        found.insert(entry.path().filename().string());
    }
    return found;
}

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
        InstallerMaker::make(folder / "new-bloomzap", "1.0.1", testSecretKey(), server.updates());
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
        QCOMPARE(readFile(folder / "bloomzap"), std::string("old program"));
        QTRY_VERIFY_WITH_TIMEOUT(process.exited, patience);
        QCOMPARE(window.label_update->text(), QStringLiteral("Installing"));
        QCOMPARE(process.started.value_or(""), folder / "bzpsetup.exe");
        QCOMPARE(process.startedBytes, readFile(server.updates() / "bzpsetup.exe"));
        QCOMPARE(readFile(folder / "bloomzap.BAK"), std::string("old program"));
    }

    // What the real server serves and where the update ends: nothing (or no server) ends in
    // "Download Aborted"; every release that must not run ends in the update error message.
    void aStoppedUpdateLeavesTheProgramUnderItsName_data() {
        QTest::addColumn<QString>("served");    // the version text
        QTest::addColumn<QString>("statement"); // the statement's version; empty: nothing made
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("changed"); // "installer", "statement", "longer" or ""
        QTest::addColumn<bool>("unknownHost");
        QTest::newRow("installer not found") << "1.0.1"
                                             << ""
                                             << ""
                                             << "" << false;
        QTest::newRow("unknown host") << "1.0.1"
                                      << ""
                                      << ""
                                      << "" << true;
        QTest::newRow("older release") << "0.9.0"
                                       << "0.9.0"
                                       << "bloomzap"
                                       << "" << false;
        QTest::newRow("another version than offered") << "1.0.1"
                                                      << "1.0.2"
                                                      << "bloomzap"
                                                      << "" << false;
        QTest::newRow("another product") << "1.0.1"
                                         << "1.0.1"
                                         << "otherzap"
                                         << "" << false;
        QTest::newRow("installer changed") << "1.0.1"
                                           << "1.0.1"
                                           << "bloomzap"
                                           << "installer" << false;
        QTest::newRow("statement changed") << "1.0.1"
                                           << "1.0.1"
                                           << "bloomzap"
                                           << "statement" << false;
        QTest::newRow("installer longer than stated") << "1.0.1"
                                                      << "1.0.1"
                                                      << "bloomzap"
                                                      << "longer" << false;
    }
    void aStoppedUpdateLeavesTheProgramUnderItsName() {
        QFETCH(QString, served);
        QFETCH(QString, statement);
        QFETCH(QString, product);
        QFETCH(QString, changed);
        QFETCH(bool, unknownHost);
        UpdateServer server(served.toStdString());
        QVERIFY(server.serving());
        TempDir folder;
        writeFile(folder / "bloomzap", "old program");
        writeFile(folder / "new-bloomzap", "new program");
        const fs::path installer = server.updates() / "bzpsetup.exe";
        const fs::path signed_ = server.updates() / "bzpsetup.exe.sig";
        if (!statement.isEmpty()) {
            InstallerMaker::make(folder / "new-bloomzap", statement.toStdString(), testSecretKey(),
                                 server.updates());
            writeFile(signed_, statementFor(readFile(installer), statement.toStdString(),
                                            product.toStdString()));
        }
        if (changed == "longer") {
            writeFile(installer, readFile(installer) + std::string(1 << 20, '#'));
        } else if (!changed.isEmpty()) {
            const fs::path file = changed == "installer" ? installer : signed_;
            std::string bytes = readFile(file);
            bytes[5] ^= 1;
            writeFile(file, bytes);
        }
        const std::string site =
            unknownHost ? "http://bloomzap-update.invalid/" : server.siteRoot();
        OfferWindow window;
        RecordingProcess process;
        QString shown;
        Updater updater(&window.window, window.widgets(), site, testPublicKey(), &process,
                        [&](const QString& text) { shown = text; });
        if (!unknownHost) {
            updater.FormShow(true, QStringLiteral("1.0.0"));
            QTRY_VERIFY_WITH_TIMEOUT(!window.panel_update->isHidden(), patience);
        }
        updater.button_updateyesClick(folder / "bloomzap");
        QTRY_VERIFY_WITH_TIMEOUT(!updater.getupdate->busy(), patience);
        if (statement.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(window.label_update->text(),
                                      QStringLiteral("Download Aborted"), patience);
            QVERIFY(shown.isEmpty());
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(
                shown,
                QString::fromStdString("There was an error in the update process. "
                                       "Please download BLOOMZAP manually from " +
                                       site + "."),
                patience);
        }
        QVERIFY(!process.started);
        QCOMPARE(names(folder / ""), (std::set<std::string>{"bloomzap", "new-bloomzap"}));
        QCOMPARE(readFile(folder / "bloomzap"), std::string("old program"));
    }

    void aPackagedBuildOffersButWritesNothing() {
        UpdateServer server("1.0.1");
        QVERIFY(server.serving());
        TempDir folder;
        writeFile(folder / "bloomzap", "old program");
        writeFile(folder / "new-bloomzap", "new program");
        InstallerMaker::make(folder / "new-bloomzap", "1.0.1", testSecretKey(), server.updates());
        OfferWindow window;
        RecordingProcess process;
        QString shown;
        Updater updater(
            &window.window, window.widgets(), server.siteRoot(), std::nullopt, &process,
            [&](const QString& text) { shown = text; }, SelfUpdate::Installing::ByPackageManager);
        updater.FormShow(true, QStringLiteral("1.0.0"));
        QTRY_VERIFY_WITH_TIMEOUT(!window.panel_update->isHidden(), patience);
        updater.button_updateyesClick(folder / "bloomzap");
        QCOMPARE(shown, QStringLiteral("This copy of Bloomzap is updated by the system's package "
                                       "manager. Please update it from there."));
        QVERIFY(window.panel_update->isHidden());
        QVERIFY(!updater.getupdate->busy());
        QCOMPARE(names(folder / ""), (std::set<std::string>{"bloomzap", "new-bloomzap"}));
        QVERIFY(!process.started);
    }

    // The errors on the way name the installer's file in quotes and the system's reason; what
    // nothing foresaw is shown with its own text.
    void theErrorReportNamesTheFileAndTheReason() {
        OfferWindow window;
        QStringList shown;
        QtUpdateScreen screen(&window.window, window.widgets(),
                              [&shown](const QString& text) { shown << text; });
        screen.reportError(UpdateError::cannotCreate, "/games/bzpsetup.exe", "Is a directory");
        screen.reportError(UpdateError::cannotWrite, "/games/bzpsetup.exe", "File too large");
        screen.reportError(UpdateError::other, {}, "Thread creation failed.");
        QCOMPARE(shown,
                 QStringList({
                     QStringLiteral("Cannot create file \"/games/bzpsetup.exe\". Is a directory"),
                     QStringLiteral("Cannot write to file \"/games/bzpsetup.exe\". File too large"),
                     QStringLiteral("Thread creation failed."),
                 }));
        screen.setStatus(UpdateStatus::received, 17);
        QCOMPARE(window.label_update->text(), QStringLiteral("Received 17 bytes"));
    }

    void closingTheWindowDuringTheDownloadLeavesTheProgramUnderItsName() {
        ScriptedHttpServer silent(httpReply("never sent"), ScriptedHttpServer::Start::held);
        TempDir folder;
        writeFile(folder / "bloomzap", "old program");
        OfferWindow window;
        auto updater = std::make_unique<Updater>(&window.window, window.widgets(), silent.url("/"),
                                                 testPublicKey());
        updater->button_updateyesClick(folder / "bloomzap");
        QTRY_COMPARE_WITH_TIMEOUT(silent.requestCount(), std::size_t(1), patience);
        QCOMPARE(readFile(folder / "bloomzap"), std::string("old program"));
        updater.reset();
        QCOMPARE(readFile(folder / "bloomzap"), std::string("old program"));
        QCOMPARE(names(folder / ""), std::set<std::string>{"bloomzap"});
    }
};

QTEST_MAIN(IntegrationUpdater)
#include "UpdaterTest.moc"
