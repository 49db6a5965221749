#pragma once

#include "engine/GameDisplay.h"

#include <array>
#include <string>

class QLabel;
class QLineEdit;
class QWidget;

// The game window's displays, panels and buttons as the game writes them, found once by their
// names on the window. A panel that is shown comes to the front; the greeting grows with a long
// player name up to the board panel's edge rather than cutting it off.
class MainDisplay : public GameDisplay {
public:
    // client: the window's client area, built (mainlayout::buildClient).
    explicit MainDisplay(const QWidget& client);

    void setText(Component which, const std::string& text) override;
    void setShown(Component which, bool shown) override;
    void setEnabledFlag(Component which, bool enabled) override;
    std::string currentPlayerName() const override;

private:
    void fitGreeting();

    std::array<QWidget*, componentCount> m_components{};
    const QWidget* m_boardPanel = nullptr;
    QLabel* m_greeting = nullptr;
    const QLineEdit* m_name = nullptr;
};
