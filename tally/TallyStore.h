#pragma once

#include "common/SiteNames.h"
#include "tally/Lzrw1Errors.h"

#include <filesystem>
#include <string>

class TallyDisk;
class TallyTable;

// What reading the tally file at start came to.
struct TallyReading {
    enum class Outcome {
        NoFile, // no tally file yet: the initial table stands
        Read,   // the table holds the file's tally
        Failed, // the file could not be read; message says why
    };
    Outcome outcome = Outcome::NoFile;
    std::string message;
    // What failed, where the compressor's fixed texts say it, and the file or part they name.
    Lzrw1Failure failure = Lzrw1Failure::other;
    std::string subject;
};

// The tally file, bloomzaptally.tld in the given folder: the tally text packed by the
// compressor in its fast mode. The text only ever passes through memory.
class TallyStore {
public:
    inline static const std::string fileName = std::string(site::productWord) + "tally.tld";

    TallyStore(std::filesystem::path folder, TallyDisk& disk);

    // Sets the initial table, then reads the file into it if there is one. A file that is not a
    // sound container leaves the initial table; a container whose text is not a tally text leaves
    // the table as far as it was read.
    TallyReading readTally(TallyTable& table);

    // Packs the table and puts it in place of the old file in one rename, so a failure at any
    // step leaves the old file exactly as it was. Returns whether the new file is in place.
    bool writeTally(const TallyTable& table);

private:
    std::filesystem::path spareName() const;

    std::filesystem::path m_file;
    TallyDisk& m_disk;
};
