#pragma once

// The real bloomzap-server with an updates folder, for the update tests.

#include "tests/support/ServerProcess.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <string>

namespace testsupport {

// bloomzap-server on a free port of 127.0.0.1, publishing versionText, with an updates folder.
class UpdateServer {
public:
    explicit UpdateServer(const std::string& versionText)
        : m_server({"--version-text", versionText, "--updates", made(updates()).string()}) {}
    bool serving() const { return m_server.serving(); }
    std::string siteRoot() const { return m_server.root(); }
    fs::path updates() const { return m_folder / "updates"; }

private:
    static fs::path made(const fs::path& folder) {
        fs::create_directories(folder);
        return folder;
    }

    TempDir m_folder;
    testsupport::LocalServer m_server;
};

} // namespace testsupport
