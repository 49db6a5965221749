#pragma once

#include <QLineEdit>

// A one-line box for the player's name. Typing stops at ten characters, but a longer name put
// in by the program (read from the settings file) is shown whole, which QLineEdit's own
// maxLength would cut.
class NameBox : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int typedLimit = 10;

    explicit NameBox(QWidget* parent = nullptr);

private:
    void refuseIfTooLong(const QString& edited);

    // The text before the edit in progress.
    QString m_before;
};
