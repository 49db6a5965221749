#pragma once

// TSelButton, the owner-drawn caption button.

#include <QColor>
#include <QString>
#include <QWidget>

#include <optional>

class QEnterEvent;

// The program's only push button: a flat, owner-drawn rectangle with a one-line caption and a
// frame. Under the mouse it shows its hover fill and caption colour, while pressed its caption is
// shifted by one pixel, and it raises its own click. The keyboard reaches it with Tab (a click
// with the mouse does not take the focus from where the player's keys go): it then shows a dotted
// frame inside its border, and Space or Return clicks it.
//
// Besides Qt's own enabled state the button has its own Enabled flag: when it is off the button
// ignores the mouse entirely but still paints exactly like an enabled button (the pause button is
// switched this way while no game runs).
class TSelButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(QColor ColorBorder READ ColorBorder WRITE setColorBorder)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledFlag)
    Q_PROPERTY(QColor ColorOverCaption READ ColorOverCaption WRITE setColorOverCaption)
    Q_PROPERTY(QColor ColorOver READ ColorOver WRITE setColorOver)
    Q_PROPERTY(QColor ColorDown READ ColorDown WRITE setColorDown)
    Q_PROPERTY(Qt::Alignment Alignment READ Alignment WRITE setAlignment)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE setBorderWidth)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE setShowHint)
    Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE setParentShowHint)
    Q_PROPERTY(QColor FontColor READ FontColor WRITE setFontColor)

public:
    // The three looks the button can show; the one on screen is the last one drawn.
    enum class Look { Normal, Hover, Pressed };
    Q_ENUM(Look)

    explicit TSelButton(QWidget* parent = nullptr);

    // Until a caption is set, the caption follows the object name, so a freshly named button
    // shows its name.
    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);

    QColor Color() const { return m_color; }
    void setColor(const QColor& color);
    QColor ColorBorder() const { return m_colorBorder; }
    void setColorBorder(const QColor& color);
    QColor ColorOverCaption() const { return m_colorOverCaption; }
    void setColorOverCaption(const QColor& color) { m_colorOverCaption = color; }
    QColor ColorOver() const { return m_colorOver; }
    void setColorOver(const QColor& color) { m_colorOver = color; }
    QColor ColorDown() const { return m_colorDown; }
    void setColorDown(const QColor& color) { m_colorDown = color; }

    // Only the horizontal part counts: Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter.
    Qt::Alignment Alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);

    // Number of nested one-pixel frames; 0 draws no frame at all.
    int BorderWidth() const { return m_borderWidth; }
    void setBorderWidth(int width);

    // The button's own switch, distinct from QWidget::isEnabled(). Off: no hover or pressed
    // look and no OnMouseDown, OnMouseUp or OnClick, but the button still looks enabled; Tab
    // passes it by.
    bool Enabled() const { return m_enabledFlag; }
    void setEnabledFlag(bool enabled);

    // Hint switches: with ShowHint off the tool tip is not shown. Setting ShowHint clears
    // ParentShowHint, as choosing a switch of one's own does.
    bool ShowHint() const { return m_showHint; }
    void setShowHint(bool show);
    bool ParentShowHint() const { return m_parentShowHint; }
    void setParentShowHint(bool parentShowHint) { m_parentShowHint = parentShowHint; }

    // The caption font is QWidget::font(); its colour, the normal caption colour, is kept here
    // because a Qt font carries no colour.
    QColor FontColor() const { return m_fontColor; }
    void setFontColor(const QColor& color);

    // The look that is on screen now, or that the pending repaint will draw.
    Look currentLook() const { return m_pendingLook.value_or(m_look); }

    QSize sizeHint() const override { return QSize(105, 20); }

signals:
    // Left button pressed, and released, on a button whose Enabled flag is on. x and y are in
    // the button's own coordinates.
    void OnMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                     int Y);
    void OnMouseUp(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                   int Y);
    // Left button pressed and released inside the button, Enabled flag on.
    void OnClick(QObject* Sender);
    // Every mouse move over the button (also while the Enabled flag is off).
    void OnMouseMove(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y);
    // The pointer came onto, or went off, the button.
    void OnMouseEnter(QObject* Sender);
    void OnMouseLeave(QObject* Sender);

protected:
    // What the pointer does to the button; a derived button may extend these.
    virtual void mouseEntered();
    virtual void mouseLeft();
    virtual void click();

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class TSelButtonAccessible; // presses the button for a screen reader

    void drawLook(Look look);
    void setPointerInside(bool inside);
    bool isUnderPointer(const QPoint& localPos) const;

    QString m_caption;
    bool m_captionSet = false;
    QColor m_color{240, 240, 240}; // the system's button face
    QColor m_colorBorder{128, 128, 128};
    QColor m_colorOverCaption{0, 0, 0};
    QColor m_colorOver{132, 185, 164};
    QColor m_colorDown{132, 185, 164};
    QColor m_fontColor{128, 128, 128};
    Qt::Alignment m_alignment = Qt::AlignLeft;
    int m_borderWidth = 1;
    bool m_enabledFlag = true;
    bool m_showHint = true;
    bool m_parentShowHint = true;

    // The look last painted, and the one a mouse handler or property change asked for that
    // the next paint draws. Any other paint (the framework's, a grab) draws the normal look,
    // since hover and press are not remembered.
    Look m_look = Look::Normal;
    std::optional<Look> m_pendingLook;
    // Caption colour last used for drawing. The pressed look keeps it, so a press after the
    // hover look shows the hover caption colour.
    QColor m_canvasTextColor{128, 128, 128};
    QColor m_pressedTextColor{128, 128, 128};
    // A left press began on the button and has not been released yet.
    bool m_leftHeld = false;
    // The pointer was inside the button at the last mouse event we saw.
    bool m_pointerInside = false;
};
