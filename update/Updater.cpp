#include "update/Updater.h"

#include <QCoreApplication>
#include <QString>
#include <QWidget>

HttpGetVersionFetch::HttpGetVersionFetch(THTTPGet& checkupdate,
                                         std::function<void(const std::string&)> receiver)
    : m_checkupdate(checkupdate) {
    m_checkupdate.setAcceptTypes("*/*");
    m_checkupdate.setUseCache(false);
    m_checkupdate.setBinaryData(false);
    m_checkupdate.setWaitThread(false);
    m_checkupdate.setOnDoneString(
        [receiver = std::move(receiver)](QObject*, const std::string& text) { receiver(text); });
}

void HttpGetVersionFetch::fetchString(const std::string& url) {
    m_checkupdate.setURL(url);
    m_checkupdate.FetchString();
}

Updater::Updater(QWidget* window, UpdatePanelWidgets widgets, std::string siteRoot,
                 std::optional<UpdatePublicKey> key, ProcessControl* process, UpdateMessage message)
    : QObject(window), checkupdate(new THTTPGet(this)), getupdate(new QtDownloader(this)),
      m_fetch(*checkupdate,
              [this](const std::string& reply) { m_update.checkupdateDoneString(reply); }),
      m_screen(window, widgets, std::move(message)),
      m_update(m_screen, m_fetch, *getupdate, process ? *process : m_realProcess,
               std::move(siteRoot), key) {
    checkupdate->setObjectName(QStringLiteral("checkupdate"));
    getupdate->setObjectName(QStringLiteral("getupdate"));
}

Updater::~Updater() {
    // Stop the transfers before their receivers go.
    delete checkupdate;
    getupdate->stop();
    m_update.abandon();
}

void Updater::FormShow(bool switchOn, const QString& programVersion) {
    m_update.startCheck(switchOn, programVersion.toStdString());
}

void Updater::button_updateyesClick() {
    button_updateyesClick(QCoreApplication::applicationFilePath().toStdString());
}

void Updater::button_updateyesClick(const std::filesystem::path& programFile) {
    m_update.button_updateyesClick(programFile);
}

void Updater::button_updatecancelClick() {
    m_update.button_updatecancelClick();
}
