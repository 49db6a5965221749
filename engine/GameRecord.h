#pragma once

// The record of one game played on a ticket: the ticket, every input that changed the game at
// its clock time, and how the game ended. The score server plays it again to vouch for the
// score posted with the same name and date.
//
// As text, one short line each (a 29-round game takes a few KB):
//   bloomzap record 1
//   ticket <the ticket line>
//   name <name>                 the name as posted, UTF-8, escaped as below
//   date <date>                 the date as posted, escaped as below
//   <ms> <column-1><row-1>      a click: ms since the previous input (or START GAME), cell digits
//   <ms> p                      the pause began
//   <ms> r                      the pause ended
//   end <ms> <score> <round>    game over: ms since START GAME, final score, last round
// Every line ends in "\n". Names and dates keep the bytes "!" to "~" but "%"; every other byte
// is written "%XX" (upper-case hex). Numbers are decimal without sign or leading zeros.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct RecordedEvent {
    enum class Kind { click, pause, resume };
    Kind kind = Kind::click;
    std::int64_t at = 0; // clock ms since START GAME
    int column = 0;      // a click's cell, 1 to 10
    int row = 0;
};

struct GameRecord {
    std::string ticket;                // the ticket line exactly as the server issued it
    std::string name;                  // the name as the player entered it (UTF-8), as posted
    std::string date;                  // the date text as posted
    std::vector<RecordedEvent> events; // in order; clock ms since START GAME
    std::int64_t endedAt = 0;          // clock ms of game over
    int score = 0;
    int lastRound = 0;
};

// The longest record text read or written; the longest game anyone plays stays far below it.
inline constexpr std::size_t maxRecordBytes = 64 * 1024;
// The longest ticket, name and date a record carries.
inline constexpr std::size_t maxRecordFieldBytes = 256;

// The record as text. The caller keeps within the limits (readRecord refuses what is over them).
std::string writeRecord(const GameRecord& record);
// The record the text holds; nothing when it is malformed, truncated, out of order or over the
// limits. Safe on any bytes.
std::optional<GameRecord> readRecord(std::string_view text);
