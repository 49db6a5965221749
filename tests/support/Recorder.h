#pragma once

// Stands in for the game window, the board, the sounds and the tally list in engine tests:
// it keeps what is shown and logs every call in order.

#include "engine/BoardSurface.h"
#include "engine/GameDisplay.h"
#include "engine/GameState.h"
#include "engine/SoundCalls.h"
#include "engine/TallyCalls.h"

#include <array>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

inline const char* componentName(Component which) {
    static const char* const names[] = {"label_round",      "label_roundcleared", "label_score",
                                        "label_lastscore",  "label_numremoved",   "label_status",
                                        "label_name",       "button_pause",       "button_start",
                                        "button_sendscore", "panel_cleared",      "panel_paused",
                                        "panel_name",       "panel_wait"};
    return names[static_cast<int>(which)];
}

struct Draw {
    int c, r, t;
    bool operator==(const Draw&) const = default;
};

class Recorder : public BoardSurface, public GameDisplay, public SoundCalls, public TallyCalls {
public:
    void drawtile(int c, int r, int t) override {
        if (c < 1 || c > 10 || r < 1 || r > 10 || t < 0 || t > 8) {
            ++baddraws;
            return;
        }
        screen[c][r] = t;
        draws.push_back({c, r, t});
        log.push_back("draw " + std::to_string(c) + "," + std::to_string(r) + "=" +
                      std::to_string(t));
    }
    void setText(Component which, const std::string& text) override {
        m_texts[which] = text;
        if (which == Component::label_status) {
            statuses.push_back(text);
        }
        if (which == Component::label_lastscore) {
            lastscores.push_back(std::stoi(text));
        }
        log.push_back(std::string("text ") + componentName(which) + "=" + text);
    }
    void setShown(Component which, bool shown) override {
        m_shown[which] = shown;
        log.push_back(std::string(shown ? "show " : "hide ") + componentName(which));
    }
    void setEnabledFlag(Component which, bool enabled) override {
        m_enabled[which] = enabled;
        log.push_back(std::string(enabled ? "enable " : "disable ") + componentName(which));
    }
    std::string currentPlayerName() const override { return name; }
    void playsounds(const std::string& sound) override {
        sounds.push_back(sound);
        log.push_back("sound " + sound);
    }
    void addtomineincrease(int which) override {
        told("addtomineincrease(" + std::to_string(which) + ")");
    }
    void checkscore(int score, const std::string& player) override {
        told("checkscore(" + std::to_string(score) + "," + player + ")");
    }
    void checkchange(int which, int value) override {
        told("checkchange(" + std::to_string(which) + "," + std::to_string(value) + ")");
    }

    // Forgets the logs (not what is shown).
    void clearLogs() {
        log.clear();
        draws.clear();
        sounds.clear();
        tally.clear();
        statuses.clear();
        lastscores.clear();
    }
    std::string text(Component which) const {
        return m_texts.count(which) ? m_texts.at(which) : "";
    }
    bool isShown(Component which) const { return m_shown.count(which) && m_shown.at(which); }
    bool isEnabled(Component which) const { return m_enabled.count(which) && m_enabled.at(which); }
    // Every playing cell shows the tile of the grid.
    bool shows(const GameState& s) const {
        for (int c = 1; c <= 10; ++c) {
            for (int r = 1; r <= 10; ++r) {
                if (screen[c][r] != s.cells[c][r]) {
                    return false;
                }
            }
        }
        return true;
    }
    // The log entries that start with one of the prefixes, in order.
    std::vector<std::string> only(std::initializer_list<std::string> prefixes) const {
        std::vector<std::string> kept;
        for (const auto& line : log) {
            for (const auto& p : prefixes) {
                if (line.rfind(p, 0) == 0) {
                    kept.push_back(line);
                    break;
                }
            }
        }
        return kept;
    }

    std::string name = "Tester";
    std::vector<std::string> log; // every call, in order
    std::vector<Draw> draws;
    std::vector<std::string> sounds;
    std::vector<std::string> tally;
    std::vector<std::string> statuses;            // every text of label_status
    std::vector<int> lastscores;                  // every number shown in label_lastscore
    int baddraws = 0;                             // drawtile outside the playing field or the tiles
    std::array<std::array<int, 11>, 12> screen{}; // the tile drawn last in each cell

private:
    void told(const std::string& call) {
        tally.push_back(call);
        log.push_back("tally " + call);
    }
    std::map<Component, std::string> m_texts;
    std::map<Component, bool> m_shown;
    std::map<Component, bool> m_enabled;
};
