#include "server/FileRoute.h"

#include "server/Pages.h"
#include "server/Router.h"

#include "common/SiteNames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cstdint>

namespace server {

FileRoute::FileRoute(const ServeSettings& settings)
    : m_settings(settings), m_versionPath(sitePath(site::versionPath)),
      m_installerPath(sitePath(site::updateFolder, site::installerName)),
      m_statementPath(sitePath(site::updateFolder, site::statementName)),
      m_home(makeResponse(pages::home(), htmlType)),
      m_version(makeResponse(settings.versionText, textType, true)),
      m_notFound(makeResponse(pages::notFound(), htmlType)) {}

MHD_Result FileRoute::handle(Exchange& x) {
    if (!x.isGet() && !x.isHead()) {
        return x.onlyGetAndHead();
    }
    if (x.path == "/") {
        return x.answer(200, m_home);
    }
    if (x.path == m_versionPath) {
        return x.answer(200, m_version);
    }
    if (x.path == m_installerPath || x.path == m_statementPath) {
        return file(x, std::string(x.path.substr(x.path.rfind('/') + 1)));
    }
    return x.answer(404, m_notFound);
}

MHD_Result FileRoute::resume(Exchange& x) {
    assert(false && "a file request never waits");
    return x.stopping();
}

// Sends an update file straight from its descriptor; a symlink in its place is refused.
MHD_Result FileRoute::file(Exchange& x, const std::string& name) {
    if (!m_settings.updates) {
        return x.answer(404, m_notFound);
    }
    const std::string path = (*m_settings.updates / name).string();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) {
            ::close(fd);
        }
        return x.answer(404, m_notFound);
    }
    MHD_Response* response =
        MHD_create_response_from_fd64(static_cast<std::uint64_t>(st.st_size), fd);
    if (response == nullptr) {
        ::close(fd);
        return x.text(500, "The file cannot be sent just now.");
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "application/octet-stream");
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-cache");
    const ResponseRef owned(response, static_cast<std::size_t>(st.st_size));
    return x.answer(200, owned);
}

} // namespace server
