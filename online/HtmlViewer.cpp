#include "online/HtmlViewer.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextCursor>

HtmlViewer::HtmlViewer(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextInteractionFlags(Qt::TextBrowserInteraction);
    connect(this, &QTextBrowser::anchorClicked, this, &HtmlViewer::activated);
}

void HtmlViewer::loadDocument(const QString& html) {
    clear();
    document()->setBaseUrl(QUrl());
    setHtml(html);
}

QVariant HtmlViewer::loadResource(int, const QUrl&) {
    return {};
}

void HtmlViewer::activated(const QUrl& link) {
    emit hotSpotClick(m_anchor.isEmpty() ? link.toString() : m_anchor);
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
    if (!hasFocus())
        return;
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
