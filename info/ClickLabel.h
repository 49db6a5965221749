#pragma once

#include "info/PictureLabel.h"

// A label that works like a link: a left click inside it (pressed and released there) raises
// clicked(). It shows the hand cursor and never takes the keyboard focus; it may show a picture
// in place of a text.
class ClickLabel : public PictureLabel {
    Q_OBJECT

public:
    explicit ClickLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};
