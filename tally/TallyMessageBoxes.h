#pragma once

#include "tally/TallyDialogs.h"

#include <QPointer>
#include <QWidget>

// The tally list's questions (Yes and No) and errors (one OK button, no icon) as modal message
// boxes over a window.
class TallyMessageBoxes : public TallyDialogs {
public:
    explicit TallyMessageBoxes(QWidget* parent) : m_parent(parent) {}

    TallyAnswer askYesNo(const std::string& title, const std::string& text) override;
    void showError(const std::string& title, const std::string& text) override;

private:
    QPointer<QWidget> m_parent;
};
