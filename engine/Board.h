#pragma once

// The field of flowers and the rules that only look at the field: same-coloured neighbours,
// clearing, settling (gravity, then columns toward the centre) and emptiness. No timing, no
// drawing of its own: operations that move flowers report every cell they change, in order.

#include "engine/GameRules.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

// One cell of the grid: column c and row r.
struct Cell {
    int c = 0;
    int r = 0;
    bool operator==(const Cell&) const = default;
};

// A first-in-first-out list of cells.
using CellQueue = std::deque<Cell>;

// The 12 x 11 grid, addressed column first as board[c][r]: columns 1 to 10 and rows 1 to 10
// are the playing field, row 0 is the entry row a new line falls from, and columns 0 and 11 are
// a border that is always empty. A value is 0 for empty or 1 to 6 for a flower of that colour
// (and the tile drawn for it).
class Board {
public:
    static constexpr int columns = rules::fieldSize + 2;
    static constexpr int rows = rules::fieldSize + 1;
    using Column = std::array<std::int32_t, rows>;
    // Called for every playing cell an operation changes, with the tile it now shows.
    using Drawn = std::function<void(int c, int r, int t)>;

    Column& operator[](int c) { return m_cells[c]; }
    const Column& operator[](int c) const { return m_cells[c]; }
    // The columns from 0 to 11.
    auto begin() { return m_cells.begin(); }
    auto end() { return m_cells.end(); }
    bool operator==(const Board&) const = default;

    static bool inField(int c, int r) {
        return c >= 1 && c <= rules::fieldSize && r >= 1 && r <= rules::fieldSize;
    }
    // The value at (c, r); 0 outside the playing field.
    int at(int c, int r) const { return inField(c, r) ? m_cells[c][r] : 0; }

    // The four neighbours of (c, r) in the order the removal queues them: right, left, below,
    // above.
    static std::array<Cell, 4> neighbours(int c, int r) {
        return {Cell{c + 1, r}, Cell{c - 1, r}, Cell{c, r + 1}, Cell{c, r - 1}};
    }
    // True when (c, r) holds a flower with at least one orthogonal neighbour of its colour.
    bool hasPartner(int c, int r) const;
    // The neighbours of (c, r) in the field holding `colour`, in neighbour order.
    std::vector<Cell> neighboursOfColour(int c, int r, int colour) const;

    // Empties every cell of the grid, border and entry row included.
    void clear();
    // Closes up the field: gravity inside each column, then columns toward the centre.
    void settle(const Drawn& drawn);
    // True when no playing cell holds a flower.
    bool isEmpty() const;

private:
    void gravity(const Drawn& drawn);
    void columnsToCentre(const Drawn& drawn);

    std::array<Column, columns> m_cells{};
};
