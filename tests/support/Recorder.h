#pragma once

// Stands in for the game window, the board, the sounds and the tally list in engine tests:
// it keeps what the game told last and logs every call, as facts, in order.

#include "engine/BoardSurface.h"
#include "engine/GameDisplay.h"
#include "engine/GameState.h"
#include "engine/SoundCalls.h"
#include "engine/TallyCalls.h"

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

inline const char* phaseName(GamePhase phase) {
    switch (phase) {
    case GamePhase::idle:
        return "idle";
    case GamePhase::running:
        return "running";
    case GamePhase::levellingUp:
        return "levellingUp";
    case GamePhase::over:
        return "over";
    }
    return "?";
}

// What the game last told its window.
struct Shown {
    std::string player; // for whom the last game started
    GamePhase phase = GamePhase::idle;
    bool paused = false;
    int round = 0, untilNextLevel = 0, score = 0, cleared = 0, lastScore = 0;
};

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
    void gameStarted(const std::string& player) override {
        shown.player = player;
        log.push_back("started " + player);
    }
    void phaseChanged(GamePhase phase) override {
        shown.phase = phase;
        log.push_back(std::string("phase ") + phaseName(phase));
    }
    void pausedChanged(bool paused) override {
        shown.paused = paused;
        log.push_back(paused ? "paused" : "unpaused");
    }
    void roundChanged(int round) override { told(shown.round, "round", round); }
    void untilNextLevelChanged(int flowers) override {
        told(shown.untilNextLevel, "untilnext", flowers);
    }
    void scoreChanged(int score) override { told(shown.score, "score", score); }
    void clearedChanged(int flowers) override { told(shown.cleared, "cleared", flowers); }
    void lastScoreChanged(int points) override {
        told(shown.lastScore, "lastscore", points);
        lastscores.push_back(points);
    }
    void groupScored(int points) override {
        scored.push_back(points);
        log.push_back("scored " + std::to_string(points));
    }
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
        scored.clear();
        lastscores.clear();
    }
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

    Shown shown;
    std::vector<std::string> log; // every call, in order
    std::vector<Draw> draws;
    std::vector<std::string> sounds;
    std::vector<std::string> tally;
    std::vector<int> scored;                      // the points of every group scored
    std::vector<int> lastscores;                  // every last score shown
    int baddraws = 0;                             // drawtile outside the playing field or the tiles
    std::array<std::array<int, 11>, 12> screen{}; // the tile drawn last in each cell

private:
    void told(const std::string& call) {
        tally.push_back(call);
        log.push_back("tally " + call);
    }
    void told(int& kept, const char* counter, int value) {
        kept = value;
        log.push_back(std::string(counter) + " " + std::to_string(value));
    }
};
