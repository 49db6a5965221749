// bloomzap-server speaking TLS: curl and the game's own fetch get the page through a test
// authority made for the run,
// old protocol versions are refused, a SIGHUP takes a renewed certificate without a restart, and
// key files others may read are refused at start.

#include "common/http/HttpFetch.h"
#include "tests/server/ServerHarness.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace harness;

// A test certificate authority and server certificates for 127.0.0.1 signed by it, made with
// openssl in a folder of the test.
class TestAuthority {
public:
    explicit TestAuthority(fs::path dir) : m_dir(std::move(dir)) {
        run("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 "
            "-subj /CN=Bloomzap-Test-CA -keyout " +
            path("ca.key") + " -out " + path("ca.pem"));
    }
    // A key and a certificate for 127.0.0.1 named `name`, written to name.key and name.pem;
    // the key readable by its owner only.
    void issue(const std::string& name) {
        run("openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj /CN=" + name +
            " -keyout " + path(name + ".key") + " -out " + path(name + ".csr"));
        std::ofstream(m_dir / "san.ext") << "subjectAltName=IP:127.0.0.1\n";
        run("openssl x509 -req -days 2 -in " + path(name + ".csr") + " -CA " + path("ca.pem") +
            " -CAkey " + path("ca.key") + " -CAcreateserial -extfile " + path("san.ext") +
            " -out " + path(name + ".pem"));
        fs::permissions(m_dir / (name + ".key"), fs::perms::owner_read | fs::perms::owner_write,
                        fs::perm_options::replace);
    }
    std::string path(const std::string& name) const { return quoted((m_dir / name).string()); }
    fs::path file(const std::string& name) const { return m_dir / name; }

private:
    static void run(const std::string& command) {
        const auto [code, out] = shell(command + " 2>&1");
        if (code != 0) {
            throw std::runtime_error(command + ": " + out);
        }
    }
    fs::path m_dir;
};

class IntegrationTls : public SqliteServerTest {
protected:
    void SetUp() override {
        fs::create_directories(m_dir / "tls");
        m_authority = std::make_unique<TestAuthority>(m_dir / "tls");
        m_authority->issue("first");
        fs::copy_file(m_authority->file("first.pem"), m_dir / "tls" / "server.pem");
        fs::copy_file(m_authority->file("first.key"), m_dir / "tls" / "server.key");
    }
    std::vector<std::string> tlsArgs() const {
        return {"--tls-cert", (m_dir / "tls" / "server.pem").string(), "--tls-key",
                (m_dir / "tls" / "server.key").string()};
    }
    // curl over https to the server with the test authority; its exit code and its output
    // (the body, then the status on a line of its own).
    std::pair<int, std::string> curl(int port, const std::string& target,
                                     const std::string& extra = {}) const {
        return shell("curl -sS --max-time 20 --cacert " + m_authority->path("ca.pem") + " " +
                     extra + " -w '\\n%{http_code}' " +
                     quoted("https://127.0.0.1:" + std::to_string(port) + target) + " 2>&1");
    }
    // The subject of the certificate the server presents.
    std::string presented(int port) const {
        return shell("openssl s_client -connect 127.0.0.1:" + std::to_string(port) +
                     " </dev/null 2>/dev/null | openssl x509 -noout -subject")
            .second;
    }
    std::unique_ptr<TestAuthority> m_authority;
};

TEST_F(IntegrationTls, CurlFetchesThePageOverTlsAndOldProtocolsAreRefused) {
    auto server = start(tlsArgs());
    EXPECT_NE(server->log().find("serving https://127.0.0.1:"), std::string::npos);
    const auto [code, out] = curl(server->port(), "/counter/bloomzap.shtml");
    ASSERT_EQ(code, 0) << out;
    EXPECT_NE(out.find("</html>"), std::string::npos) << out;
    EXPECT_EQ(out.substr(out.rfind('\n') + 1), "200");
    // A posting over TLS is stored and listed.
    EXPECT_EQ(curl(server->port(), postingTarget("Secure", "1/5/07", "77")).second,
              "Score received.\n\n200");
    EXPECT_NE(curl(server->port(), "/counter/bloomzap.shtml").second.find("Secure"),
              std::string::npos);
    // The game's own fetch, trusting the test authority as a player's SSL_CERT_FILE would.
    class NeverStop : public httpfetch::FetchControl {
    public:
        bool stopAsked() override { return false; }
        void progress(std::int64_t, std::int64_t) override {}
    } control;
    httpfetch::FetchInput input;
    input.url = "https://127.0.0.1:" + std::to_string(server->port()) + "/counter/bloomzap.shtml";
    const testsupport::ScopedEnv trust("SSL_CERT_FILE", m_authority->file("ca.pem").string());
    const httpfetch::EnvLookup noProxy = [](const char*) { return std::string(); };
    const httpfetch::FetchOutcome fetched = httpfetch::fetch(input, control, noProxy);
    EXPECT_TRUE(fetched.success);
    EXPECT_NE(fetched.body.find("Secure"), std::string::npos);
    for (const char* version : {"--tlsv1.2 --tls-max 1.2", "--tlsv1.3 --tls-max 1.3"}) {
        EXPECT_EQ(curl(server->port(), "/bloomzap/bloomzapversion.txt", version).second,
                  "1.0.0\n200")
            << version;
    }
    EXPECT_NE(curl(server->port(), "/", "--tlsv1.1 --tls-max 1.1").first, 0);
    // Plain http to a TLS port gets no page.
    const auto plain = get(server->port(), "/bloomzap/bloomzapversion.txt");
    EXPECT_TRUE(!plain || plain->body != "1.0.0");
}

TEST_F(IntegrationTls, ASighupTakesARenewedCertificateWithTheServerRunning) {
    auto server = start(tlsArgs());
    EXPECT_NE(presented(server->port()).find("CN = first"), std::string::npos);
    m_authority->issue("second");
    // Written in place, as a renewal tool does, while the server runs.
    fs::copy_file(m_authority->file("second.pem"), m_dir / "tls" / "server.pem",
                  fs::copy_options::overwrite_existing);
    fs::copy_file(m_authority->file("second.key"), m_dir / "tls" / "server.key",
                  fs::copy_options::overwrite_existing);
    const pid_t before = server->pid();
    server->signal(SIGHUP);
    for (int i = 0; i < 400 && server->log().find("read again") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(server->pid(), before);
    EXPECT_NE(presented(server->port()).find("CN = second"), std::string::npos);
    EXPECT_EQ(curl(server->port(), "/bloomzap/bloomzapversion.txt").second, "1.0.0\n200");

    // A renewal that cannot be read leaves the certificate in use.
    std::ofstream(m_dir / "tls" / "server.pem") << "not a certificate\n";
    server->signal(SIGHUP);
    for (int i = 0; i < 400 && server->log().find("not renewed") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_NE(server->log().find("TLS certificate not renewed"), std::string::npos);
    EXPECT_NE(presented(server->port()).find("CN = second"), std::string::npos);
    EXPECT_EQ(server->stop(SIGTERM), 0);
}

TEST_F(IntegrationTls, KeyFilesOthersMayReadAreRefusedAtStartInOneLine) {
    const fs::path tlsKey = m_dir / "tls" / "server.key";
    const fs::path ticketKey = m_dir / "ticket.key";
    std::ofstream(ticketKey) << std::string(64, 'a') << "\n";
    fs::permissions(ticketKey, fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace);
    const fs::perms open = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                           fs::perms::others_read;
    const struct {
        fs::path file;
        std::vector<std::string> args;
        std::string named;
    } cases[] = {
        {tlsKey, tlsArgs(), "the TLS key"},
        {ticketKey, {"--ticket-key", ticketKey.string()}, "the ticket key"},
        {m_data / "ticket.key", {}, "the ticket key"},
    };
    {
        // Made here, by the server, and readable by its owner only.
        auto made = start();
        EXPECT_EQ(made->stop(SIGTERM), 0);
        EXPECT_EQ(fs::status(m_data / "ticket.key").permissions() &
                      (fs::perms::group_all | fs::perms::others_all),
                  fs::perms::none);
    }
    for (const auto& c : cases) {
        fs::permissions(c.file, open, fs::perm_options::replace);
        std::vector<std::string> args{"--listen", "127.0.0.1:0", "--data", m_data.string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ServerProcess refused(args);
        EXPECT_EQ(refused.stop(0), 2) << c.file;
        const std::string log = refused.log();
        EXPECT_EQ(log.rfind("bloomzap-server: " + c.named, 0), 0u) << log;
        EXPECT_NE(log.find("chmod 600"), std::string::npos) << log;
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
        fs::permissions(c.file, fs::perms::owner_read | fs::perms::owner_write,
                        fs::perm_options::replace);
    }
    // Readable by its owner only, each is taken.
    std::vector<std::string> all = tlsArgs();
    all.insert(all.end(), {"--ticket-key", ticketKey.string()});
    auto taken = start(all);
    EXPECT_EQ(curl(taken->port(), "/bloomzap/bloomzapversion.txt").second, "1.0.0\n200");
}

} // namespace
