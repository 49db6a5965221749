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
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Runs the tool with stdout and stderr captured in files; returns its exit status.
    int Run(const std::string& args) {
        const std::string command = std::string("'") + LZRW1_TOOL + "' " + args + " >'" +
                                    Path("stdout") + "' 2>'" + Path("stderr") + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    fs::path dir_;
};

TEST_F(Lzrw1Tool, PacksAndUnpacksInEveryMode) {
    std::string text;
    for (int i = 0; i < 3000; ++i) {
        text += "9\r\n12\r\n-1000\r\nGuest\r\n" + std::to_string(i) + "\r\n";
    }
    Write("plain", text);
    for (const std::string mode : {"", "--mode fast ", "--mode good ", "--mode auto "}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(Run("c " + mode + "'" + Path("plain") + "' '" + Path("packed") + "'"), 0)
            << Read("stderr");
        const std::string packed = Read("packed");
        // Fast by default, as the game writes; Auto picks Good for a file this small.
        EXPECT_EQ(packed.substr(0, 4),
                  mode.find("good") != std::string::npos || mode.find("auto") != std::string::npos
                      ? "!HZL"
                      : "WRZL");
        ASSERT_EQ(Run("d '" + Path("packed") + "' '" + Path("unpacked") + "'"), 0)
            << Read("stderr");
        EXPECT_EQ(Read("unpacked"), text);
    }
    ASSERT_EQ(Run("advise '" + Path("plain") + "'"), 0);
    EXPECT_EQ(Read("stdout"), "good\nLzrw1 recommends GOOD compression :  small file !!\n");
}

TEST_F(Lzrw1Tool, ReportsFailuresOnStderr) {
    Write("bad", "JUNKJUNK");
    EXPECT_EQ(Run("d '" + Path("bad") + "' '" + Path("out") + "'"), 1);
    EXPECT_EQ(Read("stderr"),
              Path("bad") + " : Lzrw1 decompression : this file has no valid header !\n");
    EXPECT_FALSE(fs::exists(Path("out")));

    EXPECT_EQ(Run("c '" + Path("missing") + "' '" + Path("out") + "'"), 1);
    EXPECT_EQ(Read("stderr"),
              "Lzrw1 compression : Failed to obtain the size of : " + Path("missing") + "\n");

    EXPECT_EQ(Run("c --mode quick a b"), 1);
    EXPECT_NE(Read("stderr").find("usage"), std::string::npos);
    EXPECT_EQ(Run(""), 1);
    EXPECT_EQ(Run("x a b"), 1);
}

} // namespace
