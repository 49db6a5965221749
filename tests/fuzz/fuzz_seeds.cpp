// Writes the seed corpora of the fuzz targets with the game's own writers: settings files as the
// game saves them, tally texts and containers as the game writes them, the queries the game
// posts, release statements as the maker signs them (with the tests' key) and game records.
// Usage: fuzz_seeds <corpus folder>. The server's replies are captured by capture_replies.sh.
#include "app/ProfileFile.h"
#include "app/SettingsFile.h"
#include "engine/GameRecord.h"
#include "online/ScorePosting.h"
#include "tally/LZRW1.h"
#include "tally/TallyTable.h"
#include "tally/TallyText.h"
#include "update/ReleaseStatement.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string tallyText(const TallyTable& table) {
    std::ostringstream text;
    SaveGridToFile(table, text);
    return text.str();
}

std::string container(const std::string& text, TCompressMode mode) {
    Tlzrw1 doit;
    doit.UseStream = true;
    doit.CompressMode = mode;
    doit.inputStream.assign(text.begin(), text.end());
    doit.Compress();
    return std::string(doit.outputStream.begin(), doit.outputStream.end());
}

void settingsSeeds(const fs::path& folder) {
    fs::create_directories(folder);
    const fs::path file = folder / "defaults";
    fs::remove(file);
    SettingsFile(file).save(Settings{});

    Settings moved;
    moved.top = -1080;
    moved.left = -1920;
    moved.width = 600;
    moved.height = 500;
    moved.name = "Ann Lee";
    moved.sounds = false;
    moved.update = false;
    const fs::path other = folder / "moved";
    fs::remove(other);
    SettingsFile(other).save(moved);

    // Values put in by hand, written with the profile writer: hex numbers, odd case, a site.
    const fs::path hand = folder / "edited";
    fs::remove(hand);
    const ProfileFile profile(hand);
    profile.writeString("other", "Key", "value");
    profile.writeString("BLOOMZAP", "top", "0x10");
    profile.writeString("BLOOMZAP", "Left", "$FFFFFFFF");
    profile.writeString("BLOOMZAP", "Name", "");
    profile.writeString("BLOOMZAP", "Sounds", "No");
    profile.writeString("BLOOMZAP", "Site", "http://example.org:8080");
}

void tallySeeds(const fs::path& texts, const fs::path& containers) {
    TallyTable initial;
    TallyTable played;
    played.setCell(1, 0, "12");
    played.setCell(2, 0, "7");
    played.setCell(3, 0, "1");
    const char* names[] = {"Ann", "Bob", "Guest"};
    for (int place = 1; place <= 3; ++place) {
        played.setCell(0, place, "1/" + std::to_string(place) + "/2007");
        played.setCell(1, place, std::to_string(9000 - place * 1000));
        played.setCell(2, place, names[place - 1]);
    }
    writeFile(texts / "initial", tallyText(initial));
    writeFile(texts / "played", tallyText(played));
    writeFile(containers / "initial-fast", container(tallyText(initial), TCompressMode::Fast));
    writeFile(containers / "played-fast", container(tallyText(played), TCompressMode::Fast));
    writeFile(containers / "played-good", container(tallyText(played), TCompressMode::Good));
}

void postingSeeds(const fs::path& folder) {
    const auto query = [](const std::string& url) { return url.substr(url.find('?') + 1); };
    writeFile(folder / "bob", query(posting::scoreUrl("/", "Bob", "1/5/07", "950")));
    writeFile(folder / "escaped",
              query(posting::scoreUrl("/", "A b&c=#%+\xE9", posting::postingDate(2026, 12, 7, "."),
                                      "2147483647")));
    writeFile(folder / "guest", query(posting::scoreUrl("/", "Guest", "12/31/99", "0")));
}

void statementSeeds(const fs::path& folder) {
    const UpdateSecretKey key =
        InstallerSignature::secretKeyFromHex(BLOOMZAP_FUZZ_SECRET_KEY).value();
    ReleaseStatement statement;
    statement.product = "bloomzap";
    statement.version = "1.0.1";
    const std::string installer = "#!/bin/sh\necho installer\n";
    statement.size = installer.size();
    statement.sha256 = Sha256Stream::of(installer);
    writeFile(folder / "next", ReleaseStatementText::write(statement, key));
    statement.version = "10.20.300";
    statement.size = 512u * 1024 * 1024;
    writeFile(folder / "large", ReleaseStatementText::write(statement, key));
}

} // namespace

void recordSeeds(const fs::path& folder) {
    GameRecord record;
    record.ticket = "1.0123456789abcdef0123456789abcdef.00000000075bcd15.1796601600."
                    "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
    record.name = "Ann Lee";
    record.date = "12/7/26";
    record.events = {{RecordedEvent::Kind::click, 3150, 4, 10},
                     {RecordedEvent::Kind::pause, 3400, 0, 0},
                     {RecordedEvent::Kind::resume, 4000, 0, 0},
                     {RecordedEvent::Kind::click, 6210, 1, 9}};
    record.endedAt = 31070;
    record.score = 14;
    record.lastRound = 1;
    writeFile(folder / "short", writeRecord(record));
    record.name = "Zo\xC3\xAB%";
    record.events.clear();
    writeFile(folder / "escaped", writeRecord(record));
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_seeds <corpus folder>\n";
        return 2;
    }
    const fs::path root = argv[1];
    settingsSeeds(root / "settings_fuzz");
    tallySeeds(root / "tallytext_fuzz", root / "lzrw1_fuzz");
    postingSeeds(root / "postingquery_fuzz");
    statementSeeds(root / "releasestatement_fuzz");
    recordSeeds(root / "gamerecord_fuzz");
    return 0;
}
