#pragma once

// Stands in for the game window, the board, the sounds and the tally list in engine tests:
// it keeps what is shown and logs every call in order.

#include "GameDisplay.h"
#include "GameState.h"
#include "SoundCalls.h"
#include "TallyCalls.h"

#include <array>
#include <map>
#include <string>
#include <vector>

const char* componentname(Component which);

struct Draw {
    int c, r, t;
    bool operator==(const Draw&) const = default;
};

class Recorder : public BoardSurface, public GameDisplay, public SoundCalls, public TallyCalls {
public:
    void drawtile(int c, int r, int t) override;
    void settext(Component which, const std::string& text) override;
    void setshown(Component which, bool shown) override;
    void setenabled(Component which, bool enabled) override;
    std::string playername() const override { return name; }
    void playsounds(const std::string& sound) override;
    void addtomineincrease(int which) override;
    void checkscore(int score, const std::string& player) override;
    void checkchange(int which, int value) override;

    // Forgets the logs (not what is shown).
    void clearlogs();
    std::string text(Component which) const;
    bool isshown(Component which) const;
    bool isenabled(Component which) const;

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
    std::map<Component, std::string> texts_;
    std::map<Component, bool> shown_;
    std::map<Component, bool> enabled_;
};
