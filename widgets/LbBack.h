#pragma once

// TLbBackground, the tiled window background.

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;

// Tiles a picture over the client area of the window that owns it, underneath everything else:
// the window's background is filled as usual, the tiles go over it, then the window's own
// painting runs. With no picture or with Enabled off it draws nothing and the window shows its
// plain colour. It is a component without a look of its own: a QObject child of its window.
class TLbBackground : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(QImage Image READ Image WRITE setImage)

public:
    // `owner` is the window whose painting the component takes part in.
    explicit TLbBackground(QWidget* owner);
    ~TLbBackground() override;

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // The tile. Setting copies the picture; an empty picture empties the tile.
    QImage Image() const { return m_image; }
    void setImage(const QImage& image);

    // Where the tiles go for a window of the given outer size (frame and title bar included),
    // column by column and each column from top to bottom. Tiles past the client area are
    // cut off by the window.
    static QList<QRect> tileRects(QSize tile, QSize outerSize);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void paintTiles();
    void repaintOwner();

    QPointer<QWidget> m_owner;
    bool m_enabled = true;
    QImage m_image;
};
