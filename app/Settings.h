#pragma once

#include "app/WindowLayout.h"

#include <cstdint>
#include <string>

// What the settings file holds for the game window; the initial values are the defaults used
// for anything the file does not provide.
struct Settings {
    static constexpr const char* defaultSite = "http://127.0.0.1:8080/";

    std::int32_t top = layout::defaultTop;
    std::int32_t left = layout::defaultLeft;
    std::int32_t width = layout::defaultWidth;
    std::int32_t height = layout::defaultHeight;
    std::string name = "Guest";
    bool sounds = true; // "Play Sounds"
    bool update = true; // "Automatically Check for Updates"

    // Web address of the score and update server, always ending in "/". Only read: a "Site"
    // key put in the file by hand overrides it, and the program never writes that key.
    std::string site = defaultSite;
};
