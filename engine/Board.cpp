// The board rules: clearing, click acceptance, the removal of a group one flower per tick,
// closing up the field and the empty test.

#include "Game.h"

#include <algorithm>
#include <charconv>

namespace {

std::string entry(int c, int r) {
    return std::to_string(c) + "," + std::to_string(r);
}

// The column is the text before the first comma, the row the text after it.
void readentry(const std::string& text, int& c, int& r) {
    const auto comma = text.find(',');
    const char* begin = text.data();
    const char* end = begin + text.size();
    c = 0;
    r = 0;
    std::from_chars(begin, comma == std::string::npos ? end : begin + comma, c);
    if (comma != std::string::npos) {
        std::from_chars(begin + comma + 1, end, r);
    }
}

bool inside(int c, int r) {
    return c >= 1 && c <= 10 && r >= 1 && r <= 10;
}

} // namespace

int Game::cellat(int c, int r) const {
    return inside(c, r) ? state_.cells[c][r] : 0;
}

void Game::clearboard() {
    for (auto& column : state_.cells) {
        column.fill(0);
    }
    drawblank();
}

void Game::checkit1(int c, int r) {
    const int v = cellat(c, r);
    if (v <= 0) {
        return;
    }
    if (cellat(c + 1, r) == v || cellat(c - 1, r) == v || cellat(c, r + 1) == v ||
        cellat(c, r - 1) == v) {
        state_.removing = true;
        state_.clickcord.push_back(entry(c, r));
    }
}

// The removal step: one flower of the group in progress per tick.
void Game::timerremoveTimer() {
    GameState& s = state_;
    if (s.blinking) {
        return;
    }
    if (s.removecord.empty() && !s.clickcord.empty()) {
        int c = 0;
        int r = 0;
        readentry(s.clickcord.front(), c, r);
        s.removecolor = cellat(c, r);
        if (s.removecolor > 0) {
            s.removecord.push_back(entry(c, r));
        } else {
            s.removing = false; // the clicked flower has gone: nothing to remove
        }
        s.clickcord.pop_front();
    }
    if (s.removecord.empty()) {
        return;
    }
    ++s.groupcount;
    ++s.levelcleared;
    int c = 0;
    int r = 0;
    readentry(s.removecord.front(), c, r);
    s.cells[c][r] = 0;
    board_.drawtile(c, r, 0);
    s.untilnextlevel = 100 - s.levelcleared;
    show(Component::label_roundcleared, std::max(s.untilnextlevel, 0));
    removeit1(c, r);
    s.removecord.pop_front();
    if (s.removecord.empty()) {
        s.removing = false;
        s.removecolor = 0;
        moverowsdown();
        groupend();
    }
}

void Game::removeit1(int c, int r) {
    const int neighbours[4][2] = {{c + 1, r}, {c - 1, r}, {c, r + 1}, {c, r - 1}};
    for (const auto& n : neighbours) {
        if (state_.removecolor > 0 && cellat(n[0], n[1]) == state_.removecolor) {
            std::string e = entry(n[0], n[1]);
            if (std::find(state_.removecord.begin(), state_.removecord.end(), e) ==
                state_.removecord.end()) {
                state_.removecord.push_back(std::move(e));
            }
        }
    }
}

void Game::moverowsdown() {
    auto& cells = state_.cells;
    // Gravity inside each column: 10 sweeps from the bottom up.
    for (int c = 1; c <= 10; ++c) {
        for (int sweep = 0; sweep < 10; ++sweep) {
            for (int r = 10; r >= 1; --r) {
                if (cells[c][r] != 0) {
                    continue;
                }
                cells[c][r] = cells[c][r - 1];
                if (cells[c][r] > 0) {
                    cells[c][r - 1] = 0;
                    if (r - 1 >= 1) {
                        board_.drawtile(c, r - 1, 0);
                    }
                }
                board_.drawtile(c, r, cells[c][r]);
            }
        }
    }
    // Columns toward the centre; a column is empty exactly when its bottom cell is.
    for (int pass = 0; pass < 5; ++pass) {
        for (int c = 1; c <= 4; ++c) {
            if (cells[c + 1][10] == 0) {
                for (int r = 1; r <= 10; ++r) {
                    cells[c + 1][r] = cells[c][r];
                    cells[c][r] = 0;
                    board_.drawtile(c + 1, r, cells[c + 1][r]);
                    board_.drawtile(c, r, 0);
                }
            }
        }
        for (int c = 10; c >= 7; --c) {
            if (cells[c - 1][10] == 0) {
                for (int r = 1; r <= 10; ++r) {
                    cells[c - 1][r] = cells[c][r];
                    cells[c][r] = 0;
                    board_.drawtile(c, r, 0);
                    board_.drawtile(c - 1, r, cells[c - 1][r]);
                }
            }
        }
    }
}

bool Game::checkforempty() const {
    for (int c = 1; c <= 10; ++c) {
        for (int r = 1; r <= 10; ++r) {
            if (state_.cells[c][r] != 0) {
                return false;
            }
        }
    }
    return true;
}
