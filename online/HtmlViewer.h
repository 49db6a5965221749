#pragma once

#include <QString>
#include <QTextBrowser>

// The high-score window's HTML view: a text browser that follows no link by itself, loads no
// file or other resource (a page from the server must stand on its own), keeps no history, and
// reports a clicked link with its target exactly as written in the page. While it has the
// focus it draws a dotted border.
class HtmlViewer : public QTextBrowser {
    Q_OBJECT

public:
    explicit HtmlViewer(QWidget* parent = nullptr);

    // Shows one complete document with no base address, replacing what was shown.
    void loadDocument(const QString& html);

    QVariant loadResource(int type, const QUrl& name) override;

signals:
    // A link was clicked (or activated from the keyboard); `target` as the page wrote it.
    void hotSpotClick(const QString& target);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void activated(const QUrl& link);

    // The anchor under the mouse or the keyboard cursor while the browser handles the event
    // that may activate it; QUrl would normalise the written text.
    QString m_anchor;
};
