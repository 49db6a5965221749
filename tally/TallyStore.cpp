#include "tally/TallyStore.h"

#include "common/FullPath.h"
#include "tally/LZRW1.h"
#include "tally/TallyDisk.h"
#include "tally/TallyTable.h"
#include "tally/TallyText.h"

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <system_error>

TallyStore::TallyStore(std::filesystem::path folder, TallyDisk& disk)
    : m_file(common::fullPath(folder / fileName)), m_disk(disk) {}

TallyReading TallyStore::readTally(TallyTable& table) {
    table.setInitial();
    std::error_code error;
    if (!std::filesystem::exists(m_file, error) && !error) {
        return {};
    }

    const auto fail = [&table](const ELzrw1Exception& error) {
        table.setInitial();
        return TallyReading{TallyReading::Outcome::Failed, error.what(), error.failure(),
                            error.subject()};
    };

    std::ifstream file(m_file, std::ios::binary);
    if (!file) {
        return fail(ELzrw1Exception(Lzrw1Failure::openInput, m_file.string()));
    }
    std::vector<std::uint8_t> packed{std::istreambuf_iterator<char>(file),
                                     std::istreambuf_iterator<char>()};
    if (file.bad()) {
        return fail(ELzrw1Exception(Lzrw1Failure::readInput, m_file.string()));
    }

    Tlzrw1 doit;
    try {
        doit.UseStream = true;
        doit.InputFile = m_file.string();
        doit.inputStream = std::move(packed);
        doit.Decompress();
    } catch (const ELzrw1Exception& e) {
        return fail(e);
    } catch (const std::exception& e) {
        return fail(ELzrw1Exception(e.what()));
    }
    try {
        std::istringstream text(std::string(doit.outputStream.begin(), doit.outputStream.end()));
        LoadGridFromFile(table, text);
    } catch (const std::exception& e) {
        // Not a tally text: the table keeps what was read, and the next exit writes it.
        return TallyReading{TallyReading::Outcome::Failed, e.what(), Lzrw1Failure::other, {}};
    }
    return {TallyReading::Outcome::Read, {}, Lzrw1Failure::other, {}};
}

bool TallyStore::writeTally(const TallyTable& table) {
    const auto spare = spareName();
    try {
        std::ostringstream text;
        SaveGridToFile(table, text);
        const std::string bytes = text.str();

        Tlzrw1 doit;
        doit.UseStream = true;
        doit.CompressMode = TCompressMode::Fast;
        doit.OutputFile = m_file.string();
        doit.inputStream.assign(bytes.begin(), bytes.end());
        doit.Compress();

        if (m_disk.writeFile(spare, doit.outputStream)) {
            std::error_code error;
            std::filesystem::rename(spare, m_file, error);
            if (!error) {
                return true;
            }
        }
    } catch (const std::exception&) {
        // Writing at exit fails quietly; the old file stays.
    }
    std::error_code ignored;
    std::filesystem::remove(spare, ignored);
    return false;
}

std::filesystem::path TallyStore::spareName() const {
    // A name of its own for every write, so two copies of the game never share it, and never
    // the name of a file already there, since a failed write removes it.
    static std::mt19937_64 random{std::random_device{}()};
    std::filesystem::path spare;
    std::error_code error;
    do {
        std::ostringstream name;
        name << fileName << '.' << std::hex << random() << ".new";
        spare = m_file.parent_path() / name.str();
    } while (std::filesystem::exists(spare, error));
    return spare;
}
