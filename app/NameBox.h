#pragma once

#include <QLineEdit>

// A one-line box for the player's name. Typing stops at ten characters, but a longer name put
// in by the program (read from the settings file) is shown whole, which QLineEdit's own
// maxLength would cut. The keys the box takes end there: Return (after returnPressed) does not
// go on to the window, and a box that is hidden gives up the keyboard, so the window's keys work
// again once its panel has gone.
class NameBox : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int typedLimit = 10;

    explicit NameBox(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refuseIfTooLong(const QString& edited);

    // The text before the edit in progress.
    QString m_before;
};
