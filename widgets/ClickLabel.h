#pragma once

#include "widgets/PictureLabel.h"

// A label that works like a link: a left click inside it (pressed and released there) raises
// clicked(), and so do Space and Return while it has the keyboard focus, which Tab gives it (it
// then shows a dotted frame along its edge). It shows the hand cursor; it may show a picture in
// place of a text.
class ClickLabel : public PictureLabel {
    Q_OBJECT

public:
    explicit ClickLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_pressed = false;
};
