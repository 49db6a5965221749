#pragma once

#include "tally/TallyDialogs.h"

#include <QPointer>
#include <QWidget>

// The tally list's question (Yes and No) and errors (one OK button, no icon) as modal message
// boxes over a window, in the player's language.
class TallyMessageBoxes : public TallyDialogs {
public:
    explicit TallyMessageBoxes(QWidget* parent) : m_parent(parent) {}

    TallyAnswer askReset() override;
    void showReadFailure(const TallyReading& reading) override;

private:
    QPointer<QWidget> m_parent;
};
