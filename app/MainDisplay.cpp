#include "app/MainDisplay.h"

#include "app/WindowLayout.h"
#include "widgets/ButtonComps.h"
#include "widgets/CoreText.h"
#include "widgets/WidgetAccessible.h"

#include <QLabel>
#include <QLineEdit>

namespace {

// The components the game writes, by their names on the window, in the order of Component.
constexpr const char* componentNames[componentCount] = {
    "label_round",   "label_roundcleared", "label_score",  "label_lastscore", "label_numremoved",
    "label_status",  "label_name",         "button_pause", "button_start",    "button_sendscore",
    "panel_cleared", "panel_paused",       "panel_name",   "panel_wait"};

// What the game writes on the window, besides numbers and the player's name.
constexpr const char* gameTexts[] = {
    QT_TRANSLATE_NOOP("Tmain", "PAUSE GAME"), QT_TRANSLATE_NOOP("Tmain", "RESUME"),
    QT_TRANSLATE_NOOP("Tmain", "LEVEL UP!"), QT_TRANSLATE_NOOP("Tmain", "Scored: %1"),
    QT_TRANSLATE_NOOP("Tmain", "Good Luck %1")};

} // namespace

MainDisplay::MainDisplay(const QWidget& client)
    : m_boardPanel(client.findChild<QWidget*>(QStringLiteral("panel_board"))),
      m_greeting(client.findChild<QLabel*>(QStringLiteral("label_name"))),
      m_name(client.findChild<QLineEdit*>(QStringLiteral("edit_name"))) {
    for (int which = 0; which < componentCount; ++which)
        m_components[std::size_t(which)] =
            client.findChild<QWidget*>(QString::fromLatin1(componentNames[which]));
}

void MainDisplay::setText(Component which, const std::string& text) {
    const QString caption = translatedCoreText("Tmain", gameTexts, text);
    QWidget* widget = m_components[std::size_t(which)];
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(caption);
        accessibility::displayChanged(label); // the score and level are told as they change
    } else if (auto* button = qobject_cast<TSelButton*>(widget))
        button->setCaption(caption);
    if (which == Component::label_name)
        fitGreeting();
}

void MainDisplay::fitGreeting() {
    const int room = m_boardPanel->width() - m_greeting->x();
    const int needed = m_greeting->fontMetrics().horizontalAdvance(m_greeting->text());
    m_greeting->resize(qBound(layout::greetingWidth, needed, room), m_greeting->height());
}

void MainDisplay::setShown(Component which, bool shown) {
    QWidget* widget = m_components[std::size_t(which)];
    if (shown) {
        widget->show();
        widget->raise();
    } else {
        widget->hide();
    }
}

void MainDisplay::setEnabledFlag(Component which, bool enabled) {
    // The caption buttons keep their enabled look; their own flag stops the mouse.
    QWidget* widget = m_components[std::size_t(which)];
    if (auto* button = qobject_cast<TSelButton*>(widget))
        button->setEnabledFlag(enabled);
    else
        widget->setEnabled(enabled);
}

std::string MainDisplay::currentPlayerName() const {
    return m_name->text().toStdString();
}
