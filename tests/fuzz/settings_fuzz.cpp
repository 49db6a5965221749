// libFuzzer target: any bytes as the settings file. Loading never fails, and what was loaded,
// saved back into that file or into a new one, loads again unchanged.
#include "app/SettingsFile.h"
#include "tests/fuzz/FuzzFolder.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>

namespace {

bool sameSettings(const Settings& a, const Settings& b) {
    return a.top == b.top && a.left == b.left && a.width == b.width && a.height == b.height &&
           a.name == b.name && a.sounds == b.sounds && a.update == b.update;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto given = fuzzsupport::folder() / "given.ini";
    const auto fresh = fuzzsupport::folder() / "fresh.ini";
    {
        std::ofstream out(given, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::filesystem::remove(fresh);

    const SettingsFile file(given);
    const Settings loaded = file.load();

    // Saved over the file it came from: every other line stays, so the site stays too.
    file.save(loaded);
    const Settings again = file.load();
    if (!sameSettings(loaded, again) || loaded.site != again.site)
        std::abort();

    // Saved into a new file: the site is never written, so it comes back as the default.
    const SettingsFile other(fresh);
    other.save(loaded);
    const Settings copied = other.load();
    if (!sameSettings(loaded, copied) || copied.site != Settings::defaultSite)
        std::abort();
    return 0;
}
