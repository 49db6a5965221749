#pragma once

// The board as screen readers see it: a table of 10 x 10 cells, rows from the top and columns
// from the left, each read as its row, its column and what it shows ("Row 3, column 5: red
// flower"). The cell under the keyboard cursor is the focused cell, and a cell can be pressed as
// a click on it is. Cells are read from the game when asked; screen readers keep what they read,
// so the board view tells them of every cell that reads differently (a name change of the cell),
// and of moves, only while one is listening.

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QList>
#include <QPoint>
#include <QRect>

#include <array>

class BoardView;

// The board view's table for screen readers, made by Qt's accessibility for each board.
class BoardAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
    Q_DECLARE_TR_FUNCTIONS(BoardAccessible)

public:
    explicit BoardAccessible(BoardView* board);
    ~BoardAccessible() override;

    // Makes the board views known to Qt's accessibility; the first call does it.
    static void install();
    // What a cell holding `value` shows, in words: "empty" or a flower and its colour.
    static QString contentName(int value);
    // What cell (c, r) of `board` reads as now, as a number: its cell value, or covered when a
    // panel lies over it. Equal numbers read the same.
    static constexpr int covered = -1;
    static constexpr int unknownContent = -2; // never a cell's content
    static int contentCode(const BoardView* board, int c, int r);
    // Tell screen readers, if one listens, that the cursor is on a new cell, or that the
    // cells of `cells` (columns and rows from 1) read differently now: a name change of each
    // cell, and one change of the table's data around them all.
    static void cursorMoved(BoardView* board);
    static void cellsChanged(BoardView* board, const QList<QPoint>& cells);

    BoardView* board() const;

    // QAccessibleInterface
    void* interface_cast(QAccessible::InterfaceType t) override;
    QAccessible::Role role() const override { return QAccessible::Table; }
    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface*> selectedCells() const override { return {}; }
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    // Cells are read when asked: nothing to update.
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

private:
    // The cells made so far, by row and column from 0; 0 for one not made yet.
    mutable std::array<QAccessible::Id, 100> m_cells{};
};
