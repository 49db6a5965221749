// The field's own rules; the drawing order of settle is the one the screen shows.

#include "engine/Board.h"

bool Board::hasPartner(int c, int r) const {
    const int v = at(c, r);
    if (v <= 0) {
        return false;
    }
    for (const Cell& n : neighbours(c, r)) {
        if (at(n.c, n.r) == v) {
            return true;
        }
    }
    return false;
}

std::vector<Cell> Board::neighboursOfColour(int c, int r, int colour) const {
    std::vector<Cell> found;
    if (colour <= 0) {
        return found;
    }
    for (const Cell& n : neighbours(c, r)) {
        if (at(n.c, n.r) == colour) {
            found.push_back(n);
        }
    }
    return found;
}

void Board::clear() {
    for (auto& column : m_cells) {
        column.fill(0);
    }
}

void Board::settle(const Drawn& drawn) {
    gravity(drawn);
    columnsToCentre(drawn);
}

void Board::gravity(const Drawn& drawn) {
    constexpr int n = rules::fieldSize;
    // Ten sweeps from the bottom up in each column; afterwards its flowers rest on row 10.
    for (int c = 1; c <= n; ++c) {
        auto& column = m_cells[c];
        for (int sweep = 0; sweep < n; ++sweep) {
            for (int r = n; r >= 1; --r) {
                if (column[r] != 0) {
                    continue;
                }
                column[r] = column[r - 1];
                if (column[r] > 0) {
                    column[r - 1] = 0;
                    if (r - 1 >= 1) {
                        drawn(c, r - 1, 0);
                    }
                }
                drawn(c, r, column[r]);
            }
        }
    }
}

void Board::columnsToCentre(const Drawn& drawn) {
    constexpr int n = rules::fieldSize;
    constexpr int half = n / 2;
    // After gravity a column is empty exactly when its bottom cell is. Five passes carry a
    // column across every empty column of its half.
    for (int pass = 0; pass < half; ++pass) {
        for (int c = 1; c < half; ++c) {
            if (m_cells[c + 1][n] == 0) {
                for (int r = 1; r <= n; ++r) {
                    m_cells[c + 1][r] = m_cells[c][r];
                    m_cells[c][r] = 0;
                    drawn(c + 1, r, m_cells[c + 1][r]);
                    drawn(c, r, 0);
                }
            }
        }
        for (int c = n; c > half + 1; --c) {
            if (m_cells[c - 1][n] == 0) {
                for (int r = 1; r <= n; ++r) {
                    m_cells[c - 1][r] = m_cells[c][r];
                    m_cells[c][r] = 0;
                    drawn(c, r, 0);
                    drawn(c - 1, r, m_cells[c - 1][r]);
                }
            }
        }
    }
}

bool Board::isEmpty() const {
    for (int c = 1; c <= rules::fieldSize; ++c) {
        for (int r = 1; r <= rules::fieldSize; ++r) {
            if (m_cells[c][r] != 0) {
                return false;
            }
        }
    }
    return true;
}
