#include "tally/TallyRecords.h"

#include "tally/TallyCalendar.h"
#include "tally/TallyDialogs.h"
#include "tally/TallyTable.h"

#include <climits>

namespace {

bool isTotal(int column) {
    return column >= 1 && column <= TallyTable::totals;
}

} // namespace

TallyRecords::TallyRecords(TallyTable& table, TallyDisplay& display, TallyCalendar& calendar,
                           TallyDialogs& dialogs)
    : m_table(table), m_display(display), m_calendar(calendar), m_dialogs(dialogs) {
    setInitialDisplay();
}

void TallyRecords::setInitialDisplay() {
    for (int column = 1; column <= TallyTable::totals; ++column) {
        m_totals[column - 1] = std::string(1, '0');
        showTotal(column);
    }
    for (int n = 1; n <= TallyTable::places; ++n) {
        m_places[n - 1] = TallyPlace{"Feb 11, 2008", "Varnok", "0", 0, TallyLook::Bold};
        showPlace(n);
    }
}

void TallyRecords::loadtally() {
    for (int column = 1; column <= TallyTable::totals; ++column) {
        m_totals[column - 1] = m_table.cell(column, 0);
        showTotal(column);
    }
    for (int n = 1; n <= TallyTable::places; ++n) {
        if (m_table.cell(1, n).empty()) {
            m_table.setCell(1, n, std::to_string(TallyTable::emptyScore));
        }
        TallyPlace& row = m_places[n - 1];
        row.date = m_table.cell(0, n);
        row.name = m_table.cell(2, n);
        row.value = m_table.number(1, n).value_or(TallyTable::emptyScore);
        row.high = row.value <= TallyTable::emptyScore ? std::string() : m_table.cell(1, n);
        showPlace(n);
    }
}

int TallyRecords::enterScore(int score, const std::string& name) {
    for (int n = 1; n <= TallyTable::places; ++n) {
        m_places[n - 1].look = TallyLook::Plain;
        showPlace(n);
    }

    // Equal scores: the newer goes above, so the first place not higher than the score.
    int at = 0;
    for (int n = 1; n <= TallyTable::places && at == 0; ++n) {
        if (m_places[n - 1].value <= score) {
            at = n;
        }
    }
    if (at == 0) {
        return 0;
    }

    for (int n = TallyTable::places - 1; n >= at; --n) {
        m_places[n] = m_places[n - 1];
        for (int col = 0; col <= 2; ++col) {
            m_table.setCell(col, n + 1, m_table.cell(col, n));
        }
        showPlace(n + 1);
    }

    TallyPlace& row = m_places[at - 1];
    row.value = score;
    row.high = std::to_string(score);
    row.date = m_calendar.shortDate();
    row.name = name;
    row.look = TallyLook::Newest;
    showPlace(at);

    m_table.setCell(0, at, row.date);
    m_table.setCell(1, at, row.high);
    m_table.setCell(2, at, row.name);
    return at;
}

void TallyRecords::checkchange(int column, int value) {
    const int current = m_table.number(column, 0).value_or(0);
    if (current < value) {
        addtomineset(column, std::to_string(value));
    }
}

void TallyRecords::addtomineset(int column, const std::string& text) {
    m_table.setCell(column, 0, text);
    if (isTotal(column)) {
        m_totals[column - 1] = text;
        showTotal(column);
    }
}

int TallyRecords::addit(int column, int row) {
    const int current = m_table.number(column, row).value_or(0);
    // A count this high is never reached in play; stopping there beats wrapping to negative.
    const int next = current == INT_MAX ? current : current + 1;
    m_table.setCell(column, row, std::to_string(next));
    return next;
}

void TallyRecords::addtomineincrease(int column) {
    const int n = addit(column, 0);
    addtomineset(column, std::to_string(n));
}

bool TallyRecords::confirmReset() {
    if (m_dialogs.askReset() != TallyAnswer::Yes) {
        return false;
    }
    resetTally();
    return true;
}

void TallyRecords::resetTally() {
    m_table.setRowCount(TallyTable::nominalRows);
    for (int column = 1; column <= TallyTable::totals; ++column) {
        m_totals[column - 1] = std::string(1, '0');
        showTotal(column);
    }
    for (int col = 1; col < TallyTable::nominalColumns; ++col) {
        m_table.setCell(col, 0, "0");
    }
    for (int row = 1; row < m_table.rowCount(); ++row) {
        m_table.setCell(0, row, "");
        m_table.setCell(1, row, std::to_string(TallyTable::emptyScore));
        m_table.setCell(2, row, "");
    }
    for (int n = 1; n <= TallyTable::places; ++n) {
        m_places[n - 1] = TallyPlace{"", "", "", TallyTable::emptyScore, TallyLook::Plain};
        showPlace(n);
    }
}

void TallyRecords::showTotal(int column) {
    m_display.showTotal(column, m_totals[column - 1]);
}

void TallyRecords::showPlace(int n) {
    m_display.showPlace(n, m_places[n - 1]);
}
