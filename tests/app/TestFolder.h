#pragma once

// A scratch folder for file tests, and whole-file reads and writes.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

// A fresh, empty folder for one test, removed again at the end of it.
class TestFolder {
public:
    TestFolder() {
        std::random_device seed;
        m_path = std::filesystem::temp_directory_path() /
                 ("bloomzap-test-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(m_path);
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    std::filesystem::path file(const std::string& name) const { return m_path / name; }

    static void write(const std::filesystem::path& file, const std::string& content) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << content;
    }
    static std::string read(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path m_path;
};
