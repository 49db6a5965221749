#pragma once

// The real bloomzap-server, started by a test on a free port of 127.0.0.1 over a fresh data
// folder, without a posting limit. Needs BLOOMZAP_SERVER_BINARY.

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <string>

namespace onlinetest {

class ScoreServer {
public:
    // extra: further options, such as "--version-text" and its text.
    explicit ScoreServer(const QStringList& extra = {}) {
        m_process.setReadChannel(QProcess::StandardError);
        m_process.start(BLOOMZAP_SERVER_BINARY, QStringList{"--listen", "127.0.0.1:0", "--data",
                                                            m_folder.path(), "--post-limit", "0"} +
                                                    extra);
        // It first names the address it serves.
        const QRegularExpression serving("serving http://127.0.0.1:(\\d+)/");
        while (m_port == 0 && m_process.waitForReadyRead(10000))
            while (m_process.canReadLine())
                if (const auto found = serving.match(m_process.readLine()); found.hasMatch())
                    m_port = found.captured(1).toInt();
    }
    ~ScoreServer() {
        m_process.terminate();
        m_process.waitForFinished();
    }
    bool started() const { return m_port != 0; }
    std::string root() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    int m_port = 0;
};

} // namespace onlinetest
