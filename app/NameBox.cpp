#include "NameBox.h"

NameBox::NameBox(QWidget* parent) : QLineEdit(parent) {
    // QLineEdit raises textEdited (typing and pasting only) before textChanged (every change),
    // so before_ still holds the old text while an edit is judged. textChanged may carry a text
    // that refuseIfTooLong has already taken back, hence text() rather than its argument.
    connect(this, &QLineEdit::textChanged, this, [this] { before_ = text(); });
    connect(this, &QLineEdit::textEdited, this, &NameBox::refuseIfTooLong);
}

void NameBox::refuseIfTooLong(const QString& edited) {
    // An edit may shorten a long name or keep its length, but never grow it past the limit.
    if (edited.size() <= typedLimit || edited.size() <= before_.size())
        return;
    const int cursor = cursorPosition() - int(edited.size() - before_.size());
    setText(before_);
    setCursorPosition(qMax(0, cursor));
}
