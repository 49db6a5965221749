#include "engine/view/BoardAccessible.h"

#include "engine/Game.h"
#include "engine/GameRules.h"
#include "engine/view/BoardView.h"
#include "widgets/WidgetAccessible.h"

#include <QPointer>

namespace {

constexpr int size = rules::fieldSize;

bool inTable(int row, int column) {
    return row >= 0 && row < size && column >= 0 && column < size;
}

// An event of the board's cell under the cursor, named by its place among the board's cells.
void tellOfCursorCell(BoardView* board, QAccessible::Event type) {
    QAccessibleEvent event(board, type);
    event.setChild((board->cursorRow() - 1) * size + board->cursorColumn() - 1);
    accessibility::tell(event);
}

// One cell of the board, row and column from 0. It names what the player would see there: the
// flower the game holds, or "covered" where a panel lies over the cell (the pause panel hides
// the flowers from everyone).
class BoardCellAccessible : public QAccessibleInterface,
                            public QAccessibleTableCellInterface,
                            public QAccessibleActionInterface {
public:
    BoardCellAccessible(BoardView* board, int row, int column)
        : m_board(board), m_row(row), m_column(column) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TableCellInterface) {
            return static_cast<QAccessibleTableCellInterface*>(this);
        }
        if (t == QAccessible::ActionInterface) {
            return static_cast<QAccessibleActionInterface*>(this);
        }
        return nullptr;
    }

    bool isValid() const override { return !m_board.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return m_board ? m_board->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return table(); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override {
        if (!m_board) {
            return {};
        }
        if (t == QAccessible::Name) {
            return BoardAccessible::tr("Row %1, column %2: %3")
                .arg(m_row + 1)
                .arg(m_column + 1)
                .arg(content());
        }
        if (t == QAccessible::Value) {
            return content();
        }
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!m_board) {
            return {};
        }
        const QPoint corner(m_column * rules::tilePixels, m_row * rules::tilePixels);
        return {m_board->mapToGlobal(corner), QSize(rules::tilePixels, rules::tilePixels)};
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!m_board) {
            return s;
        }
        s.invisible = !m_board->isVisible();
        s.focusable = true;
        s.focused = m_board->cursorShown() && m_board->cursorColumn() == m_column + 1 &&
                    m_board->cursorRow() == m_row + 1;
        return s;
    }

    // QAccessibleTableCellInterface
    bool isSelected() const override { return false; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override {
        return m_board ? QAccessible::queryAccessibleInterface(m_board.data()) : nullptr;
    }

    // QAccessibleActionInterface: pressing a cell is clicking it.
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (m_board && action == pressAction()) {
            m_board->pressCell(m_column + 1, m_row + 1);
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QString content() const {
        const int code = BoardAccessible::contentCode(m_board, m_column + 1, m_row + 1);
        if (code == BoardAccessible::covered) {
            return BoardAccessible::tr("covered");
        }
        return BoardAccessible::contentName(code);
    }

    QPointer<BoardView> m_board;
    int m_row;
    int m_column;
};

QAccessibleInterface* boardInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("BoardView")) {
        return new BoardAccessible(static_cast<BoardView*>(object));
    }
    return nullptr;
}

} // namespace

BoardAccessible::BoardAccessible(BoardView* board) : QAccessibleWidget(board, QAccessible::Table) {}

BoardAccessible::~BoardAccessible() {
    for (const QAccessible::Id id : m_cells) {
        if (id != 0) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }
}

void BoardAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(boardInterface);
        return true;
    }();
    (void)installed;
}

QString BoardAccessible::contentName(int value) {
    // The colours of the flower tiles, in the order of their cell values.
    switch (value) {
    case 1:
        return tr("blue flower");
    case 2:
        return tr("orange flower");
    case 3:
        return tr("green flower");
    case 4:
        return tr("red flower");
    case 5:
        return tr("purple flower");
    case 6:
        return tr("yellow flower");
    default:
        return tr("empty");
    }
}

void BoardAccessible::cursorMoved(BoardView* board) {
    if (accessibility::listening() && board->cursorShown()) {
        tellOfCursorCell(board, QAccessible::Focus);
    }
}

void BoardAccessible::cellsChanged(BoardView* board, const QList<QPoint>& cells) {
    if (!accessibility::listening() || cells.isEmpty()) {
        return;
    }
    QRect around;
    for (const QPoint& cell : cells) {
        around |= QRect(cell, QSize(1, 1));
        // AT-SPI forwards only this one: a reader that keeps the names it read learns the new.
        QAccessibleEvent renamed(board, QAccessible::NameChanged);
        renamed.setChild((cell.y() - 1) * size + cell.x() - 1);
        accessibility::tell(renamed);
    }
    QAccessibleTableModelChangeEvent change(board, QAccessibleTableModelChangeEvent::DataChanged);
    change.setFirstRow(around.top() - 1);
    change.setLastRow(around.bottom() - 1);
    change.setFirstColumn(around.left() - 1);
    change.setLastColumn(around.right() - 1);
    accessibility::tell(change);
}

int BoardAccessible::contentCode(const BoardView* board, int c, int r) {
    if (!board->reaches(c, r)) {
        return covered;
    }
    const Game* game = board->game();
    return game != nullptr ? game->state().cells.at(c, r) : 0;
}

BoardView* BoardAccessible::board() const {
    return static_cast<BoardView*>(widget());
}

void* BoardAccessible::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::TableInterface) {
        return static_cast<QAccessibleTableInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(t);
}

QString BoardAccessible::text(QAccessible::Text t) const {
    const QString given = QAccessibleWidget::text(t);
    if (!given.isEmpty()) {
        return given;
    }
    if (t == QAccessible::Name) {
        return tr("Board");
    }
    if (t == QAccessible::Description) {
        return tr("Ten rows of ten cells. The arrow keys move the cursor, Space or Return "
                  "clears the group under it, P pauses the game.");
    }
    return given;
}

int BoardAccessible::childCount() const {
    return size * size;
}

QAccessibleInterface* BoardAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) {
        return nullptr;
    }
    return cellAt(index / size, index % size);
}

int BoardAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* cell = dynamic_cast<const BoardCellAccessible*>(child);
    if (cell == nullptr || cell->table() != this) {
        return -1;
    }
    return cell->rowIndex() * size + cell->columnIndex();
}

QAccessibleInterface* BoardAccessible::childAt(int x, int y) const {
    const QPoint at = board()->mapFromGlobal(QPoint(x, y));
    if (!board()->rect().contains(at)) {
        return nullptr;
    }
    return cellAt(at.y() / rules::tilePixels, at.x() / rules::tilePixels);
}

QAccessibleInterface* BoardAccessible::focusChild() const {
    if (!board()->cursorShown()) {
        return nullptr;
    }
    return cellAt(board()->cursorRow() - 1, board()->cursorColumn() - 1);
}

QAccessibleInterface* BoardAccessible::cellAt(int row, int column) const {
    if (!inTable(row, column)) {
        return nullptr;
    }
    QAccessible::Id& id = m_cells[std::size_t(row * size + column)];
    if (id == 0) {
        id =
            QAccessible::registerAccessibleInterface(new BoardCellAccessible(board(), row, column));
    }
    return QAccessible::accessibleInterface(id);
}

QString BoardAccessible::columnDescription(int column) const {
    return tr("Column %1").arg(column + 1);
}

QString BoardAccessible::rowDescription(int row) const {
    return tr("Row %1").arg(row + 1);
}

int BoardAccessible::columnCount() const {
    return size;
}

int BoardAccessible::rowCount() const {
    return size;
}
