// The flow of a game: start, rounds, falling lines, scoring, the level-up blink, game over,
// pausing and the player's clicks.

#include "engine/Game.h"

#include "engine/GameRules.h"

#include <algorithm>

Game::Game(BoardSurface& board, GameDisplay& display, TimerFactory& timers, RandomSource& random)
    : m_board(board), m_display(display), m_random(random), m_timerdrop(timers.createTimer()),
      m_timerremove(timers.createTimer()), m_timerdroprate(timers.createTimer()),
      m_timerblink(timers.createTimer()) {
    m_timerdrop->setInterval(rules::stepMs);
    m_timerremove->setInterval(rules::stepMs);
    m_timerdroprate->setInterval(rules::firstDropMs);
    m_timerblink->setInterval(rules::blinkMs);
    m_timerdrop->onTick([this] { timerdropTimer(); });
    m_timerremove->onTick([this] { timerremoveTimer(); });
    m_timerdroprate->onTick([this] { timerdroprateTimer(); });
    m_timerblink->onTick([this] { timerblinkTimer(); });
    m_timerremove->start();
    m_timerremove->sleep(); // nothing queued yet
}

Game::~Game() = default;

int Game::pointsfactor(int n) {
    return rules::pointsFactor(n);
}

int Game::lastRound() const {
    return std::min(m_state.round, rules::lastPlayedRound);
}

void Game::enter(GamePhase phase) {
    if (phase != m_phase) {
        m_phase = phase;
        m_display.phaseChanged(phase);
    }
}

void Game::play(const char* sound) {
    if (m_sounds != nullptr) {
        m_sounds->playsounds(sound);
    }
}

void Game::drawField() {
    for (int c = 1; c <= rules::fieldSize; ++c) {
        for (int r = 1; r <= rules::fieldSize; ++r) {
            m_board.drawtile(c, r, m_state.cells[c][r]);
        }
    }
}

void Game::drawBlank() {
    for (int c = 1; c <= rules::fieldSize; ++c) {
        for (int r = 1; r <= rules::fieldSize; ++r) {
            m_board.drawtile(c, r, 0);
        }
    }
}

void Game::beforeInput() {
    if (m_observer != nullptr) {
        m_observer->beforeInput();
    }
}

void Game::button_startClick(const std::string& player) {
    beforeInput();
    if (m_observer != nullptr) {
        m_observer->gameStarting();
    }
    GameState& s = m_state;
    // A new game starts clean: whatever the last one left under way ends here. The removal
    // steps begin again with the round, so every game's ticks lie on the same grid from its
    // start, however long the program had run before.
    m_timerdrop->stop();
    m_timerblink->stop();
    m_timerremove->stop();
    s.clickcord.clear();
    s.removecord.clear();
    s.removing = false;
    s.removecolor = 0;
    s.blinking = false;
    s.blinkhidden = false;

    enter(GamePhase::running);
    s.paused = false;
    m_display.pausedChanged(false);
    if (m_tally != nullptr) {
        m_tally->addtomineincrease(TallyCalls::totalGames);
    }
    s.gamerunning = true;
    play("startgame");
    m_player = player;
    m_display.gameStarted(m_player);
    s.groupcount = 0;
    s.round = 0;
    s.score = 0;
    s.levelcleared = 0;
    m_display.roundChanged(0);
    m_display.scoreChanged(0);
    m_display.clearedChanged(0);
    m_display.lastScoreChanged(0);
    s.colorcount = rules::firstColours;
    m_timerdroprate->setInterval(rules::firstDropMs);
    clearboard();
    for (int r = rules::fieldSize - rules::startRows + 1; r <= rules::fieldSize; ++r) {
        for (int c = 1; c <= rules::fieldSize; ++c) {
            s.cells[c][r] = m_random.newFlower(s.colorcount);
            m_board.drawtile(c, r, s.cells[c][r]);
        }
    }
    startround();
}

void Game::StartGame1Click(const std::string& player) {
    // The start hides the game-over panel too.
    button_startClick(player);
}

void Game::startround() {
    GameState& s = m_state;
    if (!s.gamerunning) {
        return; // a finished game stays finished
    }
    ++s.round;
    if (rules::addsColour(s.round)) {
        s.colorcount = std::min(s.colorcount + 1, rules::maxColours);
        m_timerdroprate->setInterval(rules::firstDropMs);
    } else if (s.round == rules::finalRound) {
        endgame();
        m_display.roundChanged(s.round);
        return;
    } else {
        m_timerdroprate->setInterval(rules::nextDropMs(m_timerdroprate->interval()));
    }
    m_display.roundChanged(s.round);
    // The full count, but for flowers taken before the blink.
    s.untilnextlevel = rules::flowersPerLevel - s.levelcleared;
    m_display.untilNextLevelChanged(std::max(s.untilnextlevel, 0));
    s.linesettled = true;
    s.blinking = false;
    s.removing = false;
    enter(GamePhase::running);
    m_timerdroprate->start();
    m_timerremove->start();
}

void Game::timerdroprateTimer() {
    if (m_state.removing || m_state.blinking || m_state.paused) {
        return;
    }
    dropline();
}

void Game::dropline() {
    GameState& s = m_state;
    for (int c = 1; c <= rules::fieldSize; ++c) {
        s.cells[c][0] = m_random.newFlower(s.colorcount);
    }
    s.dropstep = 0;
    s.linesettled = false;
    m_timerdrop->start();
}

void Game::timerdropTimer() {
    GameState& s = m_state;
    const int step = ++s.dropstep;
    if (s.linesettled) {
        return;
    }
    if (step > rules::fieldSize) { // cannot happen: a line has settled by the last row
        m_timerdrop->stop();
        return;
    }
    int settled = 0;
    for (int c = 1; c <= rules::fieldSize; ++c) {
        auto& column = s.cells[c];
        if (column[step] == 0) {
            column[step] = column[step - 1];
            column[step - 1] = 0;
            if (step - 1 >= 1) {
                m_board.drawtile(c, step - 1, 0);
            }
            m_board.drawtile(c, step, column[step]);
            if (step == rules::fieldSize) {
                ++settled;
            }
        } else {
            ++settled;
        }
    }
    if (settled < rules::fieldSize) {
        return;
    }
    bool overflow = false;
    for (int c = 1; c <= rules::fieldSize; ++c) {
        overflow = overflow || s.cells[c][0] != 0;
    }
    if (overflow) {
        s.gamerunning = false;
        endgame();
    } else {
        s.linesettled = true;
        m_timerdrop->stop();
        play("drop");
    }
}

void Game::groupEnd() {
    GameState& s = m_state;
    if (!s.paused) {
        play("clear");
    }
    int points = s.groupcount * pointsfactor(s.groupcount) * s.round;
    if (checkforempty()) {
        points += rules::fieldClearedBonus * s.round;
        play("clearedall");
        if (m_tally != nullptr) {
            m_tally->addtomineincrease(TallyCalls::boardCleared);
        }
    }
    s.score += points;
    m_display.scoreChanged(s.score);
    m_display.clearedChanged(s.groupcount);
    m_display.lastScoreChanged(points);
    s.groupcount = 0;
    m_display.groupScored(points);
    if (s.levelcleared >= rules::flowersPerLevel) {
        enter(GamePhase::levellingUp);
        s.linesettled = false;
        s.blinkticks = rules::blinkTicks;
        m_timerblink->start();
        s.levelcleared = 0;
        play("levelup");
    }
}

void Game::timerblinkTimer() {
    GameState& s = m_state;
    if (s.removing) {
        return;
    }
    s.blinking = true;
    --s.blinkticks;
    if (!s.blinkhidden) {
        s.blinkhidden = true;
        drawBlank();
    } else {
        s.blinkhidden = false;
        drawField();
    }
    if (s.blinkticks < 1) {
        m_timerblink->stop();
        if (s.blinkhidden) {
            s.blinkhidden = false;
            drawField();
        }
        startround();
    }
}

void Game::endgame() {
    GameState& s = m_state;
    s.gamerunning = false;
    s.linesettled = false;
    m_timerremove->stop();
    m_timerdroprate->stop();
    m_timerdrop->stop();
    // A level-up blink ends with the game, the final position shown.
    m_timerblink->stop();
    s.blinking = false;
    if (s.blinkhidden) {
        s.blinkhidden = false;
        drawField();
    }
    if (m_tally != nullptr) {
        m_tally->checkscore(s.score, m_player);
        m_tally->checkchange(TallyCalls::highestLevel, lastRound());
    }
    enter(GamePhase::over);
    play("gameover");
    if (m_observer != nullptr) {
        m_observer->gameEnded();
    }
}

void Game::button_pauseClick() {
    beforeInput();
    GameState& s = m_state;
    if (!s.paused) {
        s.paused = true;
        m_display.pausedChanged(true);
        if (m_observer != nullptr) {
            m_observer->pausedChanged(true);
        }
    } else {
        button_resumeClick();
    }
}

void Game::button_resumeClick() {
    beforeInput();
    const bool wasPaused = m_state.paused;
    m_state.paused = false;
    m_display.pausedChanged(false);
    if (wasPaused && m_observer != nullptr) {
        m_observer->pausedChanged(false);
    }
}

void Game::boardMouseUp(MouseButton, ShiftState, int x, int y) {
    beforeInput();
    const GameState& s = m_state;
    if (s.blinking || s.removing || !s.gamerunning || !s.linesettled || s.paused) {
        return;
    }
    // Division drops the fraction (toward zero), so -31 still lies in column 1.
    const int column = x / rules::tilePixels + 1;
    const int row = y / rules::tilePixels + 1;
    if (!Board::inField(column, row) || s.cells[column][row] == 0) {
        return;
    }
    const std::size_t queued = s.clickcord.size();
    checkit1(column, row);
    if (s.clickcord.size() > queued && m_observer != nullptr) {
        m_observer->clickAccepted(column, row);
    }
}

void Game::boardPaint() {
    drawField();
}

void Game::clearboard() {
    m_state.cells.clear();
    drawBlank();
}

void Game::checkit1(int c, int r) {
    if (m_state.cells.hasPartner(c, r)) {
        m_state.removing = true;
        m_state.clickcord.push_back({c, r});
        m_timerremove->wake();
    }
}

// The removal step: one flower of the group in progress per tick.
void Game::timerremoveTimer() {
    GameState& s = m_state;
    if (s.blinking) {
        return;
    }
    if (s.removecord.empty() && !s.clickcord.empty()) {
        const Cell clicked = s.clickcord.front();
        s.removecolor = s.cells.at(clicked.c, clicked.r);
        if (s.removecolor > 0) {
            s.removecord.push_back(clicked);
        } else {
            s.removing = false; // the clicked flower has gone: nothing to remove
        }
        s.clickcord.pop_front();
    }
    if (s.removecord.empty()) {
        m_timerremove->sleep(); // both queues are empty: the ticks have nothing to do
        return;
    }
    ++s.groupcount;
    ++s.levelcleared;
    const Cell cell = s.removecord.front();
    s.cells[cell.c][cell.r] = 0;
    m_board.drawtile(cell.c, cell.r, 0);
    s.untilnextlevel = rules::flowersPerLevel - s.levelcleared;
    m_display.untilNextLevelChanged(std::max(s.untilnextlevel, 0));
    removeit1(cell.c, cell.r);
    s.removecord.pop_front();
    if (s.removecord.empty()) {
        s.removing = false;
        s.removecolor = 0;
        moverowsdown();
        groupEnd();
    }
}

void Game::removeit1(int c, int r) {
    CellQueue& queue = m_state.removecord;
    for (const Cell& n : m_state.cells.neighboursOfColour(c, r, m_state.removecolor)) {
        if (std::find(queue.begin(), queue.end(), n) == queue.end()) {
            queue.push_back(n);
        }
    }
}

void Game::moverowsdown() {
    m_state.cells.settle([this](int c, int r, int t) { m_board.drawtile(c, r, t); });
}

bool Game::checkforempty() const {
    return m_state.cells.isEmpty();
}
