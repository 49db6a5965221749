#include "tests/support/TlsFront.h"

#include "tests/support/ServerProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

namespace testsupport {

namespace {

// A port of 127.0.0.1 nobody listens on at this moment.
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

bool accepting(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{
        AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    const bool connected =
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

const char* certificateName(int index) {
    static const char* names[] = {"good", "untrusted", "othername", "expired"};
    return names[index];
}

} // namespace

TlsFront::TlsFront(int upstreamPort) {
    const fs::path dir = m_folder.path();
    const std::string make =
        std::string("bash '") + BLOOMZAP_TEST_CERTIFICATES_SCRIPT + "' '" + dir.string() + "'";
    if (std::system(make.c_str()) != 0) {
        return;
    }
    for (int& port : m_ports) {
        port = freePort();
    }
    const std::string upstream = "http://127.0.0.1:" + std::to_string(upstreamPort);
    std::string servers;
    for (int index = 0; index < 5; ++index) {
        const std::string certificate = certificateName(index == 4 ? 0 : index);
        servers += "  server {\n    listen 127.0.0.1:" + std::to_string(m_ports[index]) +
                   " ssl;\n    ssl_certificate " + (dir / certificate).string() +
                   ".pem;\n    ssl_certificate_key " + (dir / certificate).string() + ".key;\n";
        servers += index == 4 ? "    location / { return 302 " + upstream + "$request_uri; }\n"
                              : "    location / { proxy_pass " + upstream + "; }\n";
        servers += "  }\n";
    }
    const std::string user = ::getuid() == 0 ? "user root;\n" : "";
    writeFile(dir / "nginx.conf",
              user + "worker_processes 1;\ndaemon off;\npid " + (dir / "nginx.pid").string() +
                  ";\nerror_log " + (dir / "error.log").string() +
                  ";\nevents { worker_connections 64; }\nhttp {\n  access_log off;\n"
                  "  client_body_temp_path " +
                  (dir / "body").string() + ";\n  proxy_temp_path " + (dir / "proxy").string() +
                  ";\n  fastcgi_temp_path " + (dir / "fastcgi").string() + ";\n  uwsgi_temp_path " +
                  (dir / "uwsgi").string() + ";\n  scgi_temp_path " + (dir / "scgi").string() +
                  ";\n" + servers + "}\n");
    m_pid = spawn({"/usr/sbin/nginx", "-e", (dir / "error.log").string(), "-c",
                   (dir / "nginx.conf").string(), "-p", dir.string()},
                  dir / "nginx.out");
    if (m_pid == 0) {
        return;
    }
    for (int tries = 0; tries < 400 && !m_running; ++tries) {
        m_running = true;
        for (const int port : m_ports) {
            m_running = m_running && accepting(port);
        }
        if (!m_running) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
}

TlsFront::~TlsFront() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

std::string TlsFront::root(Certificate certificate) const {
    return "https://127.0.0.1:" + std::to_string(m_ports[static_cast<int>(certificate)]) + "/";
}

std::string TlsFront::redirectRoot() const {
    return "https://127.0.0.1:" + std::to_string(m_ports[4]) + "/";
}

std::string TlsFront::authorityFile() const {
    return (m_folder / "ca.pem").string();
}

std::string TlsFront::log() const {
    return readFile(m_folder / "error.log") + readFile(m_folder / "nginx.out");
}

} // namespace testsupport
