#include "widgets/TFlatPanelUnit.h"

#include "widgets/WidgetAccessible.h"

#include <QEvent>
#include <QPainter>
#include <QPixmap>

namespace {

// The system's button highlight and shadow colours, used for the embossed caption of a disabled
// panel.
const QColor buttonHighlight(255, 255, 255);
const QColor buttonShadow(128, 128, 128);

} // namespace

TFlatPanel::TFlatPanel(QWidget* parent) : QWidget(parent) {
    accessibility::installWidgetAccessibility();
    resize(185, 41);
}

void TFlatPanel::setCaption(const QString& caption) {
    m_caption = caption;
    update();
    accessibility::captionChanged(this);
}

void TFlatPanel::setTransparent(bool transparent) {
    m_transparent = transparent;
    update();
}

void TFlatPanel::setColorHighLight(const QColor& color) {
    m_colorHighLight = color;
    update();
}

void TFlatPanel::setColorShadow(const QColor& color) {
    m_colorShadow = color;
    update();
}

void TFlatPanel::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment & Qt::AlignHorizontal_Mask;
    update();
}

QColor TFlatPanel::Color() const {
    if (!m_parentColor)
        return m_color;
    const QWidget* parent = parentWidget();
    if (!parent)
        return m_color;
    if (const auto* panel = qobject_cast<const TFlatPanel*>(parent))
        return panel->Color();
    return parent->palette().color(parent->backgroundRole());
}

void TFlatPanel::setColor(const QColor& color) {
    m_color = color;
    m_parentColor = false;
    update();
}

void TFlatPanel::setParentColor(bool parentColor) {
    m_parentColor = parentColor;
    update();
}

QColor TFlatPanel::FontColor() const {
    return palette().color(QPalette::WindowText);
}

void TFlatPanel::setFontColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
    update();
}

QRect TFlatPanel::captionRect() const {
    return rect().adjusted(1, 1, -1, -1);
}

void TFlatPanel::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::EnabledChange:
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void TFlatPanel::paintParentBehind(QPixmap& picture) const {
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    // Only the parent's own background and painting, not its other children, and only the part
    // of the parent that lies behind the panel.
    const QRegion behind = QRegion(geometry()) & QRegion(parent->rect());
    if (behind.isEmpty())
        return;
    const QPoint offset = behind.boundingRect().topLeft() - pos();
    parent->render(&picture, offset, behind, QWidget::DrawWindowBackground);
}

void TFlatPanel::paintEvent(QPaintEvent*) {
    // Everything is drawn off-screen first and copied in one go, so the panel never flickers.
    const qreal ratio = devicePixelRatioF();
    QPixmap picture(size() * ratio);
    picture.setDevicePixelRatio(ratio);
    if (m_transparent) {
        picture.fill(Qt::transparent);
        paintParentBehind(picture);
    } else {
        picture.fill(Color());
    }

    QPainter painter(&picture);
    const int w = width();
    const int h = height();
    if (w > 0 && h > 0) {
        // Top and left in the highlight colour, then bottom and right over them in the shadow.
        painter.fillRect(QRect(0, 0, w, 1), m_colorHighLight);
        painter.fillRect(QRect(0, 0, 1, h), m_colorHighLight);
        painter.fillRect(QRect(0, h - 1, w, 1), m_colorShadow);
        painter.fillRect(QRect(w - 1, 0, 1, h), m_colorShadow);
    }

    if (!m_caption.isEmpty()) {
        const QRect box = captionRect();
        const int flags = int(m_alignment) | Qt::AlignVCenter | Qt::TextSingleLine;
        painter.setFont(font());
        painter.setClipRect(box);
        // The panel's own switch, not whether a disabled parent greys it.
        const bool enabled = parentWidget() ? isEnabledTo(parentWidget()) : isEnabled();
        if (enabled) {
            painter.setPen(FontColor());
            painter.drawText(box, flags, m_caption);
        } else {
            painter.setPen(buttonHighlight);
            painter.drawText(box.translated(1, 1), flags, m_caption);
            painter.setPen(buttonShadow);
            painter.drawText(box, flags, m_caption);
        }
    }
    painter.end();

    QPainter screen(this);
    screen.drawPixmap(0, 0, picture);
}
