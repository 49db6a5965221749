#include "widgets/TFlatPanelUnit.h"

#include "widgets/TFlatPanelAccessible.h"
#include "widgets/WidgetAccessible.h"

#include <QBackingStore>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace {

// The system's button highlight and shadow colours, used for the embossed caption of a disabled
// panel.
const QColor buttonHighlight(255, 255, 255);
const QColor buttonShadow(128, 128, 128);

} // namespace

TFlatPanel::TFlatPanel(QWidget* parent) : QWidget(parent) {
    installTFlatPanelAccessibility();
    resize(185, 41);
}

void TFlatPanel::setCaption(const QString& caption) {
    m_caption = caption;
    changed();
    accessibility::captionChanged(this);
}

void TFlatPanel::setTransparent(bool transparent) {
    m_transparent = transparent;
    changed();
}

void TFlatPanel::setColorHighLight(const QColor& color) {
    m_colorHighLight = color;
    changed();
}

void TFlatPanel::setColorShadow(const QColor& color) {
    m_colorShadow = color;
    changed();
}

void TFlatPanel::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment & Qt::AlignHorizontal_Mask;
    changed();
}

QColor TFlatPanel::Color() const {
    if (!m_parentColor) {
        return m_color;
    }
    const QWidget* parent = parentWidget();
    if (!parent) {
        return m_color;
    }
    if (const auto* panel = qobject_cast<const TFlatPanel*>(parent)) {
        return panel->Color();
    }
    return parent->palette().color(parent->backgroundRole());
}

void TFlatPanel::setColor(const QColor& color) {
    m_color = color;
    m_parentColor = false;
    changed();
}

void TFlatPanel::setParentColor(bool parentColor) {
    m_parentColor = parentColor;
    changed();
}

QColor TFlatPanel::FontColor() const {
    return palette().color(QPalette::WindowText);
}

void TFlatPanel::setFontColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
    changed();
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
        changed();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void TFlatPanel::changed() {
    m_picture = QPixmap();
    m_pictureUsers = 0;
    update();
}

int TFlatPanel::seeThroughPanelsIn(const QRegion& region) const {
    int count = 0;
    for (QObject* child : children()) {
        const auto* panel = qobject_cast<const TFlatPanel*>(child);
        if (panel && panel->m_transparent && panel->isVisible() &&
            region.intersects(panel->geometry())) {
            ++count;
        }
    }
    return count;
}

bool TFlatPanel::paintsOverParent() const {
    // A caption is smoothed against what it is drawn on, so it needs the parent in the picture.
    if (!m_caption.isEmpty() || !parentWidget()) {
        return false;
    }
    // Widgets below this one would show through, where the parent's painting covers them.
    const QObjectList& siblings = parentWidget()->children();
    for (QObject* sibling : siblings) {
        if (sibling == this) {
            break;
        }
        const auto* widget = qobject_cast<const QWidget*>(sibling);
        if (widget && !widget->isWindow() && widget->isVisible() &&
            widget->geometry().intersects(geometry())) {
            return false;
        }
    }
    // Painted into the window's own picture, after the parent; render() and grab() of this panel
    // alone paint it on its own.
    QBackingStore* store = window()->backingStore();
    QPoint offset;
    return store && redirected(&offset) == store->paintDevice();
}

void TFlatPanel::paintParentBehind(QPixmap& picture) const {
    QWidget* parent = parentWidget();
    if (!parent) {
        return;
    }
    // Only the parent's own background and painting, not its other children, and only the part
    // of the parent that lies behind the panel.
    const QRegion behind = QRegion(geometry()) & QRegion(parent->rect());
    if (behind.isEmpty()) {
        return;
    }
    // A panel on a panel: the parent has just painted itself before its children, so its picture
    // is what painting it again would give. Painting it again would also paint again all that
    // lies behind the parent.
    const auto* panel = qobject_cast<const TFlatPanel*>(parent);
    const qreal ratio = picture.devicePixelRatio();
    if (panel && !panel->m_picture.isNull() && panel->m_picture.devicePixelRatio() == ratio &&
        ratio == std::floor(ratio) && panel->m_picture.size() == parent->size() * ratio) {
        const QPixmap parentPicture = panel->m_picture;
        // Kept only until the last panel that needs it has painted.
        if (--panel->m_pictureUsers <= 0) {
            panel->m_picture = QPixmap();
        }
        QPainter painter(&picture);
        painter.translate(-pos());
        painter.setClipRegion(behind);
        // As the parent's painting on its own is drawn: its window colour first, straight in.
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(behind.boundingRect(), parent->palette().brush(QPalette::Window));
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawPixmap(0, 0, parentPicture);
        return;
    }
    const QPoint offset = behind.boundingRect().topLeft() - pos();
    parent->render(&picture, offset, behind, QWidget::DrawWindowBackground);
}

void TFlatPanel::paintEvent(QPaintEvent* event) {
    // Everything is drawn off-screen first and copied in one go, so the panel never flickers.
    const qreal ratio = devicePixelRatioF();
    QPixmap picture(size() * ratio);
    picture.setDevicePixelRatio(ratio);
    // On the window's own picture what lies behind is there already: painting it again (which
    // also lays out every hidden window first) would give the same pixels.
    const bool overParent = m_transparent && paintsOverParent();
    if (m_transparent) {
        picture.fill(Qt::transparent);
        if (!overParent) {
            paintParentBehind(picture);
        }
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
    // See-through panels on this one paint next, after this panel, and need what is behind them.
    m_pictureUsers = overParent ? 0 : seeThroughPanelsIn(event->region());
    m_picture = m_pictureUsers > 0 ? picture : QPixmap();
}
