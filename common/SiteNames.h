#pragma once

// The names the outside world sees, written once: the product word and the paths under the site
// root that the game asks for and the server answers. Used by the game, the updater, the
// installer maker and the server.

#include <string_view>

namespace site {

// Names the settings file and its section, the tally file, the start-up lock and the paths below.
inline constexpr std::string_view productWord = "bloomzap";

// Relative to the site root, which ends in "/". A posting adds "?name=…&date=…&score=…".
inline constexpr std::string_view postingPath = "cgi-bin/bloomzap.cgi";
inline constexpr std::string_view highScorePath = "counter/bloomzap.shtml";
inline constexpr std::string_view versionPath = "bloomzap/bloomzapversion.txt";
inline constexpr std::string_view updateFolder = "bloomzap/";
// A signed game ticket (GET) and the record of a game played on one (POST), which the server
// replays before it marks the game's posting verified.
inline constexpr std::string_view ticketPath = "bloomzap/ticket";
inline constexpr std::string_view replayPath = "bloomzap/replay";
// The day's ticket (GET, the same seed for everyone that UTC day), the day's list page ("?day="
// names an earlier day) and a kept record by its id ("?id=").
inline constexpr std::string_view dailyTicketPath = "bloomzap/dailyticket";
inline constexpr std::string_view dailyPagePath = "counter/bloomzapdaily.shtml";
inline constexpr std::string_view watchPath = "bloomzap/watch";
// The invitation page the multiplayer window opens.
inline constexpr std::string_view multiplayerPath = "multiplayer.html";

// File names in the update folder, and of the installer beside the program.
inline constexpr std::string_view installerName = "bzpsetup.exe";
inline constexpr std::string_view statementName = "bzpsetup.exe.sig";

} // namespace site
