#pragma once

// Stands in for a screen reader, which cannot run offscreen: while it lives, it gets every
// accessibility event the program tells and keeps it with the name its object had then.

#include "widgets/WidgetAccessible.h"

#include <QAccessible>
#include <QObject>
#include <QString>

#include <vector>

namespace testsupport {

// One event told: its kind, its object and the name it had then, a cell's place.
struct AccessibleUpdate {
    QAccessible::Event type;
    QObject* object; // null for a table cell
    QString name;
    int row = -1; // a table cell's row and column from 0
    int column = -1;
};

// The stand-in screen reader; one at a time.
class AccessibilityRecorder {
public:
    AccessibilityRecorder() {
        accessibility::setListener([this](QAccessibleEvent& event) { record(event); });
    }
    ~AccessibilityRecorder() { accessibility::setListener({}); }
    AccessibilityRecorder(const AccessibilityRecorder&) = delete;
    AccessibilityRecorder& operator=(const AccessibilityRecorder&) = delete;

    void clear() { m_updates.clear(); }

    // The updates of one kind, for one object (any object when null).
    std::vector<AccessibleUpdate> of(QAccessible::Event type,
                                     const QObject* object = nullptr) const {
        std::vector<AccessibleUpdate> found;
        for (const AccessibleUpdate& update : m_updates) {
            if (update.type == type && (object == nullptr || update.object == object)) {
                found.push_back(update);
            }
        }
        return found;
    }

private:
    void record(QAccessibleEvent& event) {
        AccessibleUpdate update{event.type(), event.object(), {}};
        if (QAccessibleInterface* iface = event.accessibleInterface()) {
            update.name = iface->text(QAccessible::Name);
            if (QAccessibleTableCellInterface* cell = iface->tableCellInterface()) {
                update.row = cell->rowIndex();
                update.column = cell->columnIndex();
            }
        }
        m_updates.push_back(update);
    }

    std::vector<AccessibleUpdate> m_updates;
};

} // namespace testsupport
