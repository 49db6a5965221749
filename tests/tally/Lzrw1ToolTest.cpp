// The lzrw1 command-line tool, run as a player would run it: packing, unpacking and its errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

class Lzrw1Tool : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "lzrw1tool.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    // Runs the tool with stdout and stderr captured in files; returns its exit status.
    int Run(const std::string& args) {
        const std::string command = std::string("'") + LZRW1_TOOL + "' " + args + " >'" +
                                    path("stdout") + "' 2>'" + path("stderr") + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(path(name), std::ios::binary) << text;
    }

    fs::path m_dir;
};

TEST_F(Lzrw1Tool, PacksAndUnpacksInEveryMode) {
    std::string text;
    for (int i = 0; i < 3000; ++i) {
        text += "9\r\n12\r\n-1000\r\nGuest\r\n" + std::to_string(i) + "\r\n";
    }
    write("plain", text);
    for (const std::string mode : {"", "--mode fast ", "--mode good ", "--mode auto "}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(Run("c " + mode + "'" + path("plain") + "' '" + path("packed") + "'"), 0)
            << read("stderr");
        const std::string packed = read("packed");
        // Fast by default, as the game writes; Auto picks Good for a file this small.
        EXPECT_EQ(packed.substr(0, 4),
                  mode.find("good") != std::string::npos || mode.find("auto") != std::string::npos
                      ? "!HZL"
                      : "WRZL");
        ASSERT_EQ(Run("d '" + path("packed") + "' '" + path("unpacked") + "'"), 0)
            << read("stderr");
        EXPECT_EQ(read("unpacked"), text);
    }
    ASSERT_EQ(Run("advise '" + path("plain") + "'"), 0);
    EXPECT_EQ(read("stdout"), "good\nLzrw1 recommends GOOD compression :  small file !!\n");
}

TEST_F(Lzrw1Tool, ReportsFailuresOnStderr) {
    write("bad", "JUNKJUNK");
    EXPECT_EQ(Run("d '" + path("bad") + "' '" + path("out") + "'"), 1);
    EXPECT_EQ(read("stderr"),
              path("bad") + " : Lzrw1 decompression : this file has no valid header !\n");
    EXPECT_FALSE(fs::exists(path("out")));

    EXPECT_EQ(Run("c '" + path("missing") + "' '" + path("out") + "'"), 1);
    EXPECT_EQ(read("stderr"),
              "Lzrw1 compression : Failed to obtain the size of : " + path("missing") + "\n");

    EXPECT_EQ(Run("c --mode quick a b"), 1);
    EXPECT_NE(read("stderr").find("usage"), std::string::npos);
    EXPECT_EQ(Run(""), 1);
    EXPECT_EQ(Run("x a b"), 1);
}

} // namespace
