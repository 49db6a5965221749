#pragma once

#include "server/Response.h"
#include "server/Route.h"
#include "server/ScoreServer.h"

#include <string>

namespace server {

// What is answered without the store: the home page, the version text, the update files (from
// the updates folder, straight from their descriptors), and 404 for every path no other route
// is listed under. Only GET and HEAD are answered here.
class FileRoute : public Route {
public:
    explicit FileRoute(const ServeSettings& settings);

    MHD_Result handle(Exchange& x) override;
    // Never waits.
    MHD_Result resume(Exchange& x) override;

private:
    MHD_Result file(Exchange& x, const std::string& name);

    const ServeSettings& m_settings;
    const std::string m_versionPath, m_installerPath, m_statementPath;
    ResponseRef m_home, m_version, m_notFound;
};

} // namespace server
