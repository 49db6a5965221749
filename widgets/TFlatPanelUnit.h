#pragma once

// TFlatPanel, the flat framed panel.

#include <QColor>
#include <QString>
#include <QWidget>

// The program's container panel: a rectangle with a flat one-pixel frame in two colours and an
// optional one-line caption. It is either filled with its colour or, when Transparent, shows
// exactly what its parent draws behind it. Child widgets go on it as on any QWidget.
//
// Font and colour come from the parent until set: the font through Qt's own font inheritance,
// the colour while ParentColor is on. The caption colour is the palette's WindowText, which also
// passes down from the parent until set with setFontColor.
class TFlatPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
    Q_PROPERTY(QColor ColorHighLight READ ColorHighLight WRITE setColorHighLight)
    Q_PROPERTY(QColor ColorShadow READ ColorShadow WRITE setColorShadow)
    Q_PROPERTY(Qt::Alignment Alignment READ Alignment WRITE setAlignment)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE setParentColor)
    Q_PROPERTY(QColor FontColor READ FontColor WRITE setFontColor)

public:
    explicit TFlatPanel(QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);

    // On: the panel is not filled; the parent's own painting shows through inside the frame.
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool transparent);

    // Top and left frame lines.
    QColor ColorHighLight() const { return m_colorHighLight; }
    void setColorHighLight(const QColor& color);
    // Bottom and right frame lines.
    QColor ColorShadow() const { return m_colorShadow; }
    void setColorShadow(const QColor& color);

    // Horizontal placement of the caption: Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter.
    Qt::Alignment Alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);

    // The fill colour. While ParentColor is on it is the parent's colour; setting a colour turns
    // ParentColor off.
    QColor Color() const;
    void setColor(const QColor& color);
    bool ParentColor() const { return m_parentColor; }
    void setParentColor(bool parentColor);

    QColor FontColor() const;
    void setFontColor(const QColor& color);

    // Where the caption is placed and clipped: the panel shrunk by one pixel on every side.
    QRect captionRect() const;

    QSize sizeHint() const override { return QSize(185, 41); }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Whether this painting goes over what the parent has just painted on the window.
    bool paintsOverParent() const;
    void paintParentBehind(QPixmap& picture) const;
    // A change to the panel's own look: the picture kept from its last painting is out of date.
    void changed();
    // How many visible see-through panels on this one lie in `region`.
    int seeThroughPanelsIn(const QRegion& region) const;

    QString m_caption;
    bool m_transparent = false;
    QColor m_colorHighLight{160, 150, 131};
    QColor m_colorShadow{160, 150, 131};
    Qt::Alignment m_alignment = Qt::AlignHCenter;
    QColor m_color{240, 240, 240}; // used once ParentColor is off
    bool m_parentColor = true;
    // The panel as last painted, for see-through panels on it to paint what lies behind them.
    mutable QPixmap m_picture;
    mutable int m_pictureUsers = 0;
};
