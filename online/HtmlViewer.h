#pragma once

#include <QColor>
#include <QSet>
#include <QString>
#include <QTextBrowser>

// The high-score window's HTML view: a text browser that follows no link by itself, keeps no
// history, and reports a clicked link with its target exactly as written in the page. It reads
// and fetches nothing a page names: pages are rewritten to text tags first (see PageSanitiser.h),
// and whatever resource the document still asks for (a picture, a style sheet, a background)
// is answered with an empty picture, so the document never falls back to opening the name as a
// file. Links are maroon, silver once clicked since the program started, maroon under the
// mouse; a page that colours a link itself keeps its colour. While it has the focus it draws a
// dotted border.
class HtmlViewer : public QTextBrowser {
    Q_OBJECT

public:
    explicit HtmlViewer(QWidget* parent = nullptr);

    // Shows one complete document with no base address, replacing what was shown. A page over
    // the viewer's limits is refused: false, and what was shown stays.
    bool loadDocument(const QString& html);

    // Every resource is an empty picture; nothing is loaded.
    QVariant loadResource(int type, const QUrl& name) override;

    static const QColor linkColour;
    static const QColor visitedColour;

signals:
    // A link was clicked (or activated from the keyboard); `target` as the page wrote it.
    void hotSpotClick(const QString& target);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void activated(const QUrl& link);
    void closeResources();
    // Gives each link that the page leaves uncoloured its colour: visited, hovered or plain.
    void colourLinks();
    void setHovered(const QString& target);

    // The anchor under the mouse or the keyboard cursor while the browser handles the event
    // that may activate it; QUrl would normalise the written text.
    QString m_anchor;
    // The link under the mouse, as written.
    QString m_hovered;
    // Links clicked since the program started, as written.
    QSet<QString> m_visited;
};
