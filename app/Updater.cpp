#include "app/Updater.h"

#include <QCoreApplication>
#include <QString>
#include <QWidget>

#include <csignal>

SelfUpdate::Installing Updater::buildInstalling() {
#if BLOOMZAP_SELF_UPDATE
    return SelfUpdate::Installing::ByItself;
#else
    return SelfUpdate::Installing::ByPackageManager;
#endif
}

Updater::Updater(QWidget* window, UpdatePanelWidgets widgets, std::string siteRoot,
                 std::optional<UpdatePublicKey> key, ProcessControl* process, UpdateMessage message,
                 SelfUpdate::Installing installing)
    : QObject(window), checkupdate(new THTTPGet(this)), getupdate(new QtDownloader(this)),
      m_window(window),
      m_fetch(*checkupdate,
              [this](const std::string& reply) { m_update.checkupdateDoneString(reply); }),
      m_screen(window, widgets, std::move(message)),
      m_update(m_screen, m_fetch, *getupdate, process ? *process : m_realProcess,
               std::move(siteRoot), key, installing),
      m_termination(
          new QtTerminationWatch([this](int signal) { terminationSignal(signal); }, this)) {
    checkupdate->setObjectName(QStringLiteral("checkupdate"));
    getupdate->setObjectName(QStringLiteral("getupdate"));
}

Updater::~Updater() {
    // Stop the transfers before their receivers go.
    m_termination->disarm();
    delete checkupdate;
    getupdate->stop();
    m_update.abandon();
}

void Updater::terminationSignal(int signal) {
    m_termination->disarm();
    if (!m_update.downloading()) {
        // Nothing to wind down: the signal has its usual effect.
        std::raise(signal);
        return;
    }
    getupdate->stop();
    m_update.abandon();
    m_window->close();
}

void Updater::FormShow(bool switchOn, const QString& programVersion) {
    m_update.startCheck(switchOn, programVersion.toStdString());
}

void Updater::button_updateyesClick() {
    button_updateyesClick(QCoreApplication::applicationFilePath().toStdString());
}

void Updater::button_updateyesClick(const std::filesystem::path& programFile) {
    m_update.button_updateyesClick(programFile);
    if (m_update.downloading()) {
        m_termination->arm();
    }
}

void Updater::button_updatecancelClick() {
    m_update.button_updatecancelClick();
}
