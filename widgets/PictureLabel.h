#pragma once

#include <QLabel>
#include <QPixmap>
#include <QString>

// A label that shows a picture from the resources, decoded only when it is first needed: when
// the label is first shown or painted (a window rendered without being shown) or its pixmap is
// first asked for. Windows made at start-up but seen
// later so cost no decoding (nor a decoder plug-in) before the game window is up.
class PictureLabel : public QLabel {
    Q_OBJECT

public:
    explicit PictureLabel(QWidget* parent = nullptr);

    // The picture to show, by resource path and the lower-case name of its format ("png",
    // "jpeg"). Replaces any picture shown or still waiting.
    void setPicture(const QString& path, const char* format);

    // The picture shown, decoded now if it was still waiting. Hides QLabel::pixmap(), which
    // does not know about a picture that waits.
    QPixmap pixmap() const;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void decodePicture();

    QString m_path;
    const char* m_format = nullptr;
};
