#include "app/NameBox.h"

#include <QHideEvent>
#include <QKeyEvent>

NameBox::NameBox(QWidget* parent) : QLineEdit(parent) {
    // QLineEdit raises textEdited (typing and pasting only) before textChanged (every change),
    // so m_before still holds the old text while an edit is judged. textChanged may carry a text
    // that refuseIfTooLong has already taken back, hence text() rather than its argument.
    connect(this, &QLineEdit::textChanged, this, [this] { m_before = text(); });
    connect(this, &QLineEdit::textEdited, this, &NameBox::refuseIfTooLong);
}

void NameBox::refuseIfTooLong(const QString& edited) {
    // An edit may shorten a long name or keep its length, but never grow it past the limit.
    if (edited.size() <= typedLimit || edited.size() <= m_before.size()) {
        return;
    }
    // Keep as much of what was typed or pasted as still fits, as a limited edit box does: the
    // new text is what lies between the parts that the edit left unchanged.
    const qsizetype most = qMax<qsizetype>(typedLimit, m_before.size());
    qsizetype head = 0;
    while (head < m_before.size() && m_before[head] == edited[head]) {
        ++head;
    }
    qsizetype tail = 0;
    while (tail < m_before.size() - head &&
           m_before[m_before.size() - 1 - tail] == edited[edited.size() - 1 - tail]) {
        ++tail;
    }
    const QString added = edited.mid(head, edited.size() - head - tail);
    const QString kept = added.left(qMax<qsizetype>(0, most - head - tail));
    setText(edited.left(head) + kept + edited.right(tail));
    setCursorPosition(int(head + kept.size()));
}

void NameBox::keyPressEvent(QKeyEvent* event) {
    QLineEdit::keyPressEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
    }
}

void NameBox::hideEvent(QHideEvent* event) {
    QLineEdit::hideEvent(event);
    // A minimised window hides nothing for good; only a hidden box lets go.
    if (!event->spontaneous() && hasFocus()) {
        clearFocus();
    }
}
