#include "online/HtmlViewer.h"

#include "online/PageSanitiser.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <utility>
#include <vector>

const QColor HtmlViewer::linkColour(128, 0, 0);
const QColor HtmlViewer::visitedColour(192, 192, 192);

namespace {

// What the default style sheet gives a link the page leaves uncoloured; a page colour this
// close to maroon is not expected. Such links are then coloured as their state asks.
const QColor unstyledLink(128, 0, 1);
// Marks a link coloured by the viewer rather than by the page.
constexpr int viewerColouredLink = QTextFormat::UserProperty + 1;

// The answer to every resource a document asks for: a picture, so that neither the document
// nor its picture drawing falls back to reading the name as a file, and an empty one, so
// nothing shows. As a style sheet it is no text and adds nothing.
QVariant emptyResource() {
    static const QImage empty = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        return image;
    }();
    return empty;
}

} // namespace

HtmlViewer::HtmlViewer(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextInteractionFlags(Qt::TextBrowserInteraction);
    setMouseTracking(true);
    closeResources();
    connect(this, &QTextBrowser::anchorClicked, this, &HtmlViewer::activated);
}

void HtmlViewer::closeResources() {
    // The document asks its provider first; only when that has no answer does it ask
    // loadResource, and after that it would open the name itself.
    document()->setResourceProvider([](const QUrl&) { return emptyResource(); });
    document()->setUndoRedoEnabled(false);
}

bool HtmlViewer::loadDocument(const QString& html) {
    const std::optional<std::string> page = htmlpage::sanitise(html.toStdString());
    if (!page) {
        return false;
    }
    QString sheet = document()->defaultStyleSheet();
    const QString linkRule =
        QStringLiteral("a[href] { color: %1; }").arg(unstyledLink.name(QColor::HexRgb));
    if (!sheet.contains(linkRule)) {
        document()->setDefaultStyleSheet(sheet + QLatin1Char('\n') + linkRule);
    }
    clear();
    closeResources();
    document()->setBaseUrl(QUrl());
    m_hovered.clear();
    setHtml(QString::fromStdString(*page));
    colourLinks();
    return true;
}

QVariant HtmlViewer::loadResource(int, const QUrl&) {
    return emptyResource();
}

void HtmlViewer::colourLinks() {
    struct Span {
        int from, to;
        QColor colour;
    };
    std::vector<Span> spans;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextFragment piece = fragment.fragment();
            const QTextCharFormat format = piece.charFormat();
            if (!format.isAnchor() || format.anchorHref().isEmpty()) {
                continue;
            }
            const bool ours = format.boolProperty(viewerColouredLink) ||
                              format.foreground().color() == unstyledLink;
            if (!ours) {
                continue;
            }
            const QString target = format.anchorHref();
            const QColor colour =
                m_visited.contains(target) && target != m_hovered ? visitedColour : linkColour;
            if (format.boolProperty(viewerColouredLink) && format.foreground().color() == colour) {
                continue;
            }
            spans.push_back({piece.position(), piece.position() + piece.length(), colour});
        }
    }
    for (const Span& span : spans) {
        QTextCursor cursor(document());
        cursor.setPosition(span.from);
        cursor.setPosition(span.to, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setForeground(span.colour);
        format.setProperty(viewerColouredLink, true);
        cursor.mergeCharFormat(format);
    }
}

void HtmlViewer::setHovered(const QString& target) {
    if (target == m_hovered) {
        return;
    }
    const bool matters = m_visited.contains(target) || m_visited.contains(m_hovered);
    m_hovered = target;
    if (matters) {
        colourLinks();
    }
}

void HtmlViewer::activated(const QUrl& link) {
    const QString target = m_anchor.isEmpty() ? link.toString() : m_anchor;
    if (!m_visited.contains(target)) {
        m_visited.insert(target);
        colourLinks();
    }
    emit hotSpotClick(target);
}

void HtmlViewer::mouseMoveEvent(QMouseEvent* event) {
    setHovered(anchorAt(event->position().toPoint()));
    QTextBrowser::mouseMoveEvent(event);
}

void HtmlViewer::leaveEvent(QEvent* event) {
    setHovered(QString());
    QTextBrowser::leaveEvent(event);
}

void HtmlViewer::mouseReleaseEvent(QMouseEvent* event) {
    m_anchor = anchorAt(event->position().toPoint());
    QTextBrowser::mouseReleaseEvent(event);
    m_anchor.clear();
}

void HtmlViewer::keyPressEvent(QKeyEvent* event) {
    // A link reached with Tab is selected; its format holds the written target.
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) {
        cursor.setPosition(cursor.selectionStart() + 1);
        m_anchor = cursor.charFormat().anchorHref();
    }
    QTextBrowser::keyPressEvent(event);
    m_anchor.clear();
}

void HtmlViewer::paintEvent(QPaintEvent* event) {
    QTextBrowser::paintEvent(event);
    if (!hasFocus()) {
        return;
    }
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
    painter.drawRect(viewport()->rect().adjusted(0, 0, -1, -1));
}

void HtmlViewer::focusInEvent(QFocusEvent* event) {
    QTextBrowser::focusInEvent(event);
    viewport()->update();
}

void HtmlViewer::focusOutEvent(QFocusEvent* event) {
    QTextBrowser::focusOutEvent(event);
    viewport()->update();
}
