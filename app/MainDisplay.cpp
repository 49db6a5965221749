#include "app/MainDisplay.h"

#include "app/MainLayout.h"
#include "app/WindowLayout.h"
#include "widgets/ButtonComps.h"
#include "widgets/TFlatPanelUnit.h"
#include "widgets/WidgetAccessible.h"

#include <QCoreApplication>
#include <QLabel>

#include <cassert>

namespace {

// A display's new text; the score and level are told as they change.
void setDisplay(QLabel* label, const QString& text) {
    label->setText(text);
    accessibility::displayChanged(label);
}

void setNumber(QLabel* label, int number) {
    setDisplay(label, QString::number(number));
}

void showOnTop(QWidget* widget) {
    widget->show();
    widget->raise();
}

} // namespace

// The window's texts are translated in the window's context, "Tmain".
MainDisplay::MainDisplay(const MainParts& parts) : m_parts(parts) {
    assert(parts.label_name != nullptr && parts.panel_paused != nullptr && "the layout is built");
}

void MainDisplay::gameStarted(const std::string& player) {
    m_parts.panel_wait->hide();
    m_parts.panel_name->hide();
    m_parts.panel_cleared->hide();
    const QString name = QString::fromStdString(player);
    setDisplay(m_parts.label_name,
               m_dailyDay.isEmpty()
                   ? QCoreApplication::translate("Tmain", "Good Luck %1").arg(name)
                   : QCoreApplication::translate("Tmain", "Daily Bloom %1 - Good Luck %2")
                         .arg(m_dailyDay, name));
    fitGreeting();
}

void MainDisplay::fitGreeting() {
    QLabel* greeting = m_parts.label_name;
    const int room = m_parts.panel_board->width() - greeting->x();
    const int needed = greeting->fontMetrics().horizontalAdvance(greeting->text());
    greeting->resize(qBound(layout::greetingWidth, needed, room), greeting->height());
}

void MainDisplay::phaseChanged(GamePhase phase) {
    // The caption buttons keep their enabled look; their own flag stops the mouse.
    switch (phase) {
    case GamePhase::idle:
        m_parts.button_pause->setEnabledFlag(false);
        break;
    case GamePhase::running:
        m_parts.button_pause->setEnabledFlag(true);
        break;
    case GamePhase::levellingUp:
        setDisplay(m_parts.label_status, QCoreApplication::translate("Tmain", "LEVEL UP!"));
        break;
    case GamePhase::over:
        showOnTop(m_parts.button_sendscore);
        showOnTop(m_parts.panel_cleared);
        showOnTop(m_parts.button_start);
        m_parts.button_pause->setEnabledFlag(false);
        break;
    }
}

void MainDisplay::pausedChanged(bool paused) {
    if (paused) {
        showOnTop(m_parts.panel_paused);
        m_parts.button_pause->setCaption(QCoreApplication::translate("Tmain", "RESUME"));
    } else {
        m_parts.panel_paused->hide();
        m_parts.button_pause->setCaption(QCoreApplication::translate("Tmain", "PAUSE GAME"));
    }
}

void MainDisplay::roundChanged(int round) {
    setNumber(m_parts.label_round, round);
}

void MainDisplay::untilNextLevelChanged(int flowers) {
    setNumber(m_parts.label_roundcleared, flowers);
}

void MainDisplay::scoreChanged(int score) {
    setNumber(m_parts.label_score, score);
}

void MainDisplay::clearedChanged(int flowers) {
    setNumber(m_parts.label_numremoved, flowers);
}

void MainDisplay::lastScoreChanged(int points) {
    setNumber(m_parts.label_lastscore, points);
}

void MainDisplay::groupScored(int points) {
    setDisplay(m_parts.label_status,
               QCoreApplication::translate("Tmain", "Scored: %1").arg(points));
}
