#include "app/ProgramIcon.h"

#include "widgets/EmbeddedPicture.h"

#include <QApplication>
#include <QHash>
#include <QIcon>
#include <QIconEngine>
#include <QPainter>

#include <array>
#include <utility>

namespace {

QString iconPath(int size) {
    return QStringLiteral(":/icons/bloomzap-%1.png").arg(size);
}

constexpr std::array usualSizes{16, 22, 24, 32, 48, 64, 128};
constexpr std::array largeSizes{256, 512};

// The sizes read from the program's pictures each time one is asked for, unless they are held
// decoded. The desktop takes a window's icon when the window is made; kept decoded, the sizes
// would hold over a hundred kilobytes (the large ones over a megabyte) for the rest of the run.
// An icon made of decoded pixmaps would also leave them in Qt's pixmap cache for good.
class ProgramIconEngine : public QIconEngine {
public:
    using Decoded = QHash<int, QPixmap>;

    explicit ProgramIconEngine(QList<int> sizes, Decoded held = {})
        : m_sizes(std::move(sizes)), m_held(std::move(held)) {}

    QIconEngine* clone() const override { return new ProgramIconEngine(m_sizes, m_held); }

    QString key() const override { return QStringLiteral("ProgramIconEngine"); }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        QList<QSize> sizes;
        if (mode == QIcon::Normal && state == QIcon::Off) {
            for (const int size : m_sizes) {
                sizes.append(QSize(size, size));
            }
        }
        return sizes;
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        // One of the sizes exactly, as it is: what the icon with it decoded would give.
        if (isExact(size, mode, state)) {
            return picture(size.width());
        }
        return whole().pixmap(size, mode, state);
    }

    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        if (isExact(size, mode, state)) {
            return size;
        }
        return whole().actualSize(size, mode, state);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        whole().paint(painter, rect, Qt::AlignCenter, mode, state);
    }

private:
    bool isExact(const QSize& size, QIcon::Mode mode, QIcon::State state) const {
        return mode == QIcon::Normal && state == QIcon::Off && size.width() == size.height() &&
               m_sizes.contains(size.width());
    }

    QPixmap picture(int size) const {
        const auto held = m_held.constFind(size);
        return held != m_held.cend() ? *held : embedded::pixmap(iconPath(size), "png");
    }

    // Every size decoded, for the rare question that needs them all to choose from.
    QIcon whole() const {
        QIcon icon;
        for (const int size : m_sizes) {
            icon.addPixmap(picture(size));
        }
        return icon;
    }

    QList<int> m_sizes;
    Decoded m_held;
};

} // namespace

namespace programicon {

void setUsualSizes() {
    // Held decoded until the large sizes come: the first window takes its icon more than once
    // while it is made.
    ProgramIconEngine::Decoded held;
    for (const int size : usualSizes) {
        held.insert(size, embedded::pixmap(iconPath(size), "png"));
    }
    QApplication::setWindowIcon(QIcon(
        new ProgramIconEngine(QList<int>(usualSizes.begin(), usualSizes.end()), std::move(held))));
}

void addLargeSizes() {
    QList<int> sizes(usualSizes.begin(), usualSizes.end());
    sizes.append(QList<int>(largeSizes.begin(), largeSizes.end()));
    QApplication::setWindowIcon(QIcon(new ProgramIconEngine(sizes)));
}

} // namespace programicon
