#include "widgets/PictureLabel.h"

#include "widgets/EmbeddedPicture.h"

PictureLabel::PictureLabel(QWidget* parent) : QLabel(parent) {}

void PictureLabel::setPicture(const QString& path, const char* format) {
    m_path = path;
    m_format = format;
    if (isVisible()) {
        decodePicture();
    }
}

QPixmap PictureLabel::pixmap() const {
    // Decoding fills in what the label already stands for; nothing a caller sees changes.
    const_cast<PictureLabel*>(this)->decodePicture();
    return QLabel::pixmap();
}

void PictureLabel::showEvent(QShowEvent* event) {
    decodePicture();
    QLabel::showEvent(event);
}

void PictureLabel::paintEvent(QPaintEvent* event) {
    decodePicture();
    QLabel::paintEvent(event);
}

void PictureLabel::decodePicture() {
    if (m_path.isEmpty()) {
        return;
    }
    const QString path = m_path;
    m_path.clear();
    setPixmap(embedded::pixmap(path, m_format));
}
