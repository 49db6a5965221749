#include "app/ProgramIcon.h"

#include "widgets/EmbeddedPicture.h"

#include <QApplication>
#include <QIcon>
#include <QIconEngine>
#include <QPainter>

#include <initializer_list>

namespace {

QString iconPath(int size) {
    return QStringLiteral(":/icons/bloomzap-%1.png").arg(size);
}

void addSizes(QIcon& icon, std::initializer_list<int> sizes) {
    for (const int size : sizes)
        icon.addPixmap(embedded::pixmap(iconPath(size), "png"));
}

// The usual sizes as they were decoded, and the large ones read again each time one is asked
// for. The desktop takes a window's icon once, when the window is made; kept decoded, the large
// sizes would hold well over a megabyte for the rest of the run.
class ProgramIconEngine : public QIconEngine {
public:
    ProgramIconEngine(QIcon usual, QList<int> large)
        : m_usual(std::move(usual)), m_large(std::move(large)) {}

    QIconEngine* clone() const override { return new ProgramIconEngine(m_usual, m_large); }

    QString key() const override { return QStringLiteral("ProgramIconEngine"); }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        QList<QSize> sizes = m_usual.availableSizes(mode, state);
        if (mode == QIcon::Normal && state == QIcon::Off)
            for (const int size : m_large)
                sizes.append(QSize(size, size));
        return sizes;
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        // One of the large sizes exactly, as it is: what the icon with it decoded would give.
        if (mode == QIcon::Normal && state == QIcon::Off && size.width() == size.height() &&
            m_large.contains(size.width()))
            return embedded::pixmap(iconPath(size.width()), "png");
        // One of the usual sizes exactly: chosen from the usual ones as from all of them.
        if (isUsual(size, mode, state))
            return m_usual.pixmap(size, mode, state);
        return whole().pixmap(size, mode, state);
    }

    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        if (isUsual(size, mode, state))
            return m_usual.actualSize(size, mode, state);
        return whole().actualSize(size, mode, state);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        whole().paint(painter, rect, Qt::AlignCenter, mode, state);
    }

private:
    bool isUsual(const QSize& size, QIcon::Mode mode, QIcon::State state) const {
        // Every look is made from the normal picture of the size chosen; only exact sizes are
        // chosen the same from the usual sizes as from all of them.
        Q_UNUSED(mode);
        return m_usual.availableSizes(QIcon::Normal, state).contains(size);
    }

    // Every size decoded, for the rare question that needs them all to choose from.
    QIcon whole() const {
        QIcon icon = m_usual;
        for (const int size : m_large)
            icon.addPixmap(embedded::pixmap(iconPath(size), "png"));
        return icon;
    }

    QIcon m_usual;
    QList<int> m_large;
};

} // namespace

namespace programicon {

void setUsualSizes() {
    QIcon icon;
    addSizes(icon, {16, 22, 24, 32, 48, 64, 128});
    QApplication::setWindowIcon(icon);
}

void addLargeSizes() {
    QApplication::setWindowIcon(
        QIcon(new ProgramIconEngine(QApplication::windowIcon(), {256, 512})));
}

} // namespace programicon
