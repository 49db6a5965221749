#pragma once

#include <QString>

class QWidget;

// Tells the player something in a modal message box: the text, one OK button, no icon, over
// `parent` (or the application when none). Returns once the player has closed it.
void showPlayerMessage(QWidget* parent, const QString& title, const QString& text);
