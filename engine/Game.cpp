// The flow of a game: start, rounds, falling lines, scoring, the level-up blink, game over,
// pausing and the player's clicks.

#include "Game.h"

#include <algorithm>

Game::Game(BoardSurface& board, GameDisplay& display, TimerFactory& timers, RandomSource& random)
    : board_(board), display_(display), random_(random), timerdrop_(timers.createtimer()),
      timerremove_(timers.createtimer()), timerdroprate_(timers.createtimer()),
      timerblink_(timers.createtimer()) {
    timerdrop_->setinterval(10);
    timerremove_->setinterval(10);
    timerdroprate_->setinterval(4000);
    timerblink_->setinterval(200);
    timerdrop_->ontick([this] { timerdropTimer(); });
    timerremove_->ontick([this] { timerremoveTimer(); });
    timerdroprate_->ontick([this] { timerdroprateTimer(); });
    timerblink_->ontick([this] { timerblinkTimer(); });
    timerremove_->start();
}

Game::~Game() = default;

int Game::pointsfactor(int n) {
    // The smallest group size of each factor from 1 on.
    static constexpr int from[] = {1, 4, 7, 11, 15, 20, 25, 31, 37, 45};
    int factor = 0;
    for (int first : from) {
        if (n >= first) {
            ++factor;
        }
    }
    return factor;
}

int Game::lastround() const {
    return std::min(state_.round, 29);
}

void Game::show(Component which, const std::string& text) {
    display_.settext(which, text);
}

void Game::show(Component which, int number) {
    display_.settext(which, std::to_string(number));
}

void Game::play(const char* sound) {
    if (sounds_ != nullptr) {
        sounds_->playsounds(sound);
    }
}

void Game::drawfield() {
    for (int c = 1; c <= 10; ++c) {
        for (int r = 1; r <= 10; ++r) {
            board_.drawtile(c, r, state_.cells[c][r]);
        }
    }
}

void Game::drawblank() {
    for (int c = 1; c <= 10; ++c) {
        for (int r = 1; r <= 10; ++r) {
            board_.drawtile(c, r, 0);
        }
    }
}

void Game::button_startClick() {
    GameState& s = state_;
    // A new game starts clean: whatever the last one left under way ends here.
    timerdrop_->stop();
    timerblink_->stop();
    s.clickcord.clear();
    s.removecord.clear();
    s.removing = false;
    s.removecolor = 0;
    s.blinking = false;
    s.blinkhidden = false;

    display_.setenabled(Component::button_pause, true);
    display_.setshown(Component::panel_wait, false);
    display_.setshown(Component::panel_name, false);
    display_.setshown(Component::panel_cleared, false);
    display_.setshown(Component::panel_paused, false);
    s.paused = false;
    show(Component::button_pause, "PAUSE GAME");
    if (tally_ != nullptr) {
        tally_->addtomineincrease(1);
    }
    s.gamerunning = true;
    play("startgame");
    show(Component::label_name, "Good Luck " + display_.playername());
    s.groupcount = 0;
    s.round = 0;
    s.score = 0;
    s.levelcleared = 0;
    show(Component::label_round, 0);
    show(Component::label_score, 0);
    show(Component::label_numremoved, 0);
    show(Component::label_lastscore, 0);
    s.colorcount = 3;
    timerdroprate_->setinterval(4000);
    clearboard();
    for (int r = 9; r <= 10; ++r) {
        for (int c = 1; c <= 10; ++c) {
            s.cells[c][r] = random_.newflower(s.colorcount);
            board_.drawtile(c, r, s.cells[c][r]);
        }
    }
    startround();
}

void Game::StartGame1Click() {
    button_startClick();
    display_.setshown(Component::panel_cleared, false);
}

void Game::startround() {
    GameState& s = state_;
    if (!s.gamerunning) {
        return; // a finished game stays finished
    }
    ++s.round;
    if (s.round == 3 || s.round == 6 || s.round == 9) {
        s.colorcount = std::min(s.colorcount + 1, 6);
        timerdroprate_->setinterval(4000);
    } else if (s.round == 30) {
        endgame();
        show(Component::label_round, s.round);
        return;
    } else {
        int next = timerdroprate_->interval() - 1000;
        if (next < 1000) {
            next = 500;
        }
        timerdroprate_->setinterval(next);
    }
    show(Component::label_round, s.round);
    s.untilnextlevel = 100 - s.levelcleared; // 100 but for flowers taken before the blink
    show(Component::label_roundcleared, std::max(s.untilnextlevel, 0));
    s.linesettled = true;
    s.blinking = false;
    s.removing = false;
    timerdroprate_->start();
    timerremove_->start();
}

void Game::timerdroprateTimer() {
    if (state_.removing || state_.blinking || state_.paused) {
        return;
    }
    dropline();
}

void Game::dropline() {
    GameState& s = state_;
    for (int c = 1; c <= 10; ++c) {
        s.cells[c][0] = random_.newflower(s.colorcount);
    }
    s.dropstep = 0;
    s.linesettled = false;
    timerdrop_->start();
}

void Game::timerdropTimer() {
    GameState& s = state_;
    const int step = ++s.dropstep;
    if (s.linesettled) {
        return;
    }
    if (step > 10) { // cannot happen: a line has settled by step 10
        timerdrop_->stop();
        return;
    }
    int settled = 0;
    for (int c = 1; c <= 10; ++c) {
        auto& column = s.cells[c];
        if (column[step] == 0) {
            column[step] = column[step - 1];
            column[step - 1] = 0;
            if (step - 1 >= 1) {
                board_.drawtile(c, step - 1, 0);
            }
            board_.drawtile(c, step, column[step]);
            if (step == 10) {
                ++settled;
            }
        } else {
            ++settled;
        }
    }
    if (settled < 10) {
        return;
    }
    bool overflow = false;
    for (int c = 1; c <= 10; ++c) {
        overflow = overflow || s.cells[c][0] != 0;
    }
    if (overflow) {
        s.gamerunning = false;
        endgame();
    } else {
        s.linesettled = true;
        timerdrop_->stop();
        play("drop");
    }
}

void Game::groupend() {
    GameState& s = state_;
    if (!s.paused) {
        play("clear");
    }
    int points = s.groupcount * pointsfactor(s.groupcount) * s.round;
    if (checkforempty()) {
        points += 100 * s.round;
        play("clearedall");
        if (tally_ != nullptr) {
            tally_->addtomineincrease(3);
        }
    }
    s.score += points;
    show(Component::label_score, s.score);
    show(Component::label_numremoved, s.groupcount);
    show(Component::label_lastscore, points);
    s.groupcount = 0;
    show(Component::label_status, "Scored: " + std::to_string(points));
    if (s.levelcleared >= 100) {
        show(Component::label_status, "LEVEL UP!");
        s.linesettled = false;
        s.blinkticks = 10;
        timerblink_->start();
        s.levelcleared = 0;
        play("levelup");
    }
}

void Game::timerblinkTimer() {
    GameState& s = state_;
    if (s.removing) {
        return;
    }
    s.blinking = true;
    --s.blinkticks;
    if (!s.blinkhidden) {
        s.blinkhidden = true;
        drawblank();
    } else {
        s.blinkhidden = false;
        drawfield();
    }
    if (s.blinkticks < 1) {
        timerblink_->stop();
        if (s.blinkhidden) {
            s.blinkhidden = false;
            drawfield();
        }
        startround();
    }
}

void Game::endgame() {
    GameState& s = state_;
    s.gamerunning = false;
    s.linesettled = false;
    timerremove_->stop();
    timerdroprate_->stop();
    timerdrop_->stop();
    // A level-up blink ends with the game, the final position shown.
    timerblink_->stop();
    s.blinking = false;
    if (s.blinkhidden) {
        s.blinkhidden = false;
        drawfield();
    }
    if (tally_ != nullptr) {
        tally_->checkscore(s.score, display_.playername());
        tally_->checkchange(2, lastround());
    }
    display_.setshown(Component::button_sendscore, true);
    display_.setshown(Component::panel_cleared, true);
    display_.setshown(Component::button_start, true);
    display_.setenabled(Component::button_pause, false);
    play("gameover");
}

void Game::button_pauseClick() {
    GameState& s = state_;
    if (!s.paused) {
        display_.setshown(Component::panel_paused, true);
        s.paused = true;
        show(Component::button_pause, "RESUME");
    } else {
        display_.setshown(Component::panel_paused, false);
        s.paused = false;
        show(Component::button_pause, "PAUSE GAME");
    }
}

void Game::button_resumeClick() {
    display_.setshown(Component::panel_paused, false);
    state_.paused = false;
    show(Component::button_pause, "PAUSE GAME");
}

void Game::boardMouseUp(int x, int y) {
    const GameState& s = state_;
    if (s.blinking || s.removing || !s.gamerunning || !s.linesettled || s.paused) {
        return;
    }
    // Division drops the fraction (toward zero), so -31 still lies in column 1.
    const int column = x / 32 + 1;
    const int row = y / 32 + 1;
    if (column < 1 || column > 10 || row < 1 || row > 10) {
        return;
    }
    if (s.cells[column][row] == 0) {
        return;
    }
    checkit1(column, row);
}

void Game::boardPaint() {
    drawfield();
}
