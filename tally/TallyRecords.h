#pragma once

#include "engine/TallyCalls.h"
#include "tally/TallyDisplay.h"
#include "tally/TallyTable.h"

#include <array>
#include <string>

class TallyCalendar;
class TallyDialogs;

// Keeps the player's record: the three totals and the ten best scores. It changes the tally
// table (what gets stored) and the display (what the window shows) together; the two differ
// only after a start without a tally file, when the display still shows the window's first texts.
class TallyRecords : public TallyCalls {
public:
    TallyRecords(TallyTable& table, TallyDisplay& display, TallyCalendar& calendar,
                 TallyDialogs& dialogs);

    // The display as the window starts: "Feb 11, 2008", "Varnok", score "0" with value 0, bold.
    void setInitialDisplay();

    // Copies the table into the display. Empty score cells of the places become "-1000".
    void loadtally();

    // Offers a finished game's score to the ten best. Returns the place it took, 1 to 10, or 0
    // when it was too low. Either way the previous highlight is gone.
    int enterScore(int score, const std::string& name);

    // The game's calls.
    void checkscore(int score, const std::string& name) override { enterScore(score, name); }
    void checkchange(int column, int value) override;
    void addtomineincrease(int column) override;

    // Stores text as the total of the column and shows it.
    void addtomineset(int column, const std::string& text);
    // Adds one to the number in a cell and returns it; a cell that holds no number counts as 0.
    int addit(int column, int row);

    // Asks before wiping the record; only Yes wipes it. Returns whether it was wiped.
    bool confirmReset();
    // Zero totals, ten empty places, row 11 emptied too.
    void resetTally();

private:
    void showTotal(int column);
    void showPlace(int n);

    TallyTable& m_table;
    TallyDisplay& m_display;
    TallyCalendar& m_calendar;
    TallyDialogs& m_dialogs;
    std::array<std::string, TallyTable::totals> m_totals;
    std::array<TallyPlace, TallyTable::places> m_places;
};
