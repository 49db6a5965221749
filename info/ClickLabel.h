#pragma once

#include <QLabel>

// A label that works like a link: a left click inside it (pressed and released there) raises
// clicked(). It shows the hand cursor and never takes the keyboard focus.
class ClickLabel : public QLabel {
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
