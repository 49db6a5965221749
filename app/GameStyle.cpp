#include "app/GameStyle.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <utility>

namespace {

// An icon made by `make` the first time anything asks it; until then it holds nothing.
class DeferredIconEngine : public QIconEngine {
public:
    explicit DeferredIconEngine(std::function<QIcon()> make) : m_make(std::move(make)) {}

    QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

    QString key() const override { return QStringLiteral("DeferredIconEngine"); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, mode, state);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return icon().pixmap(size, scale, mode, state);
    }

    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }

    QString iconName() override { return icon().name(); }

    // Asked as the icon is set; the styles always have this one, and asking must not make it.
    bool isNull() override { return false; }

private:
    const QIcon& icon() {
        if (m_make) {
            m_icon = m_make();
            m_make = nullptr;
        }
        return m_icon;
    }

    std::function<QIcon()> m_make;
    QIcon m_icon;
};

} // namespace

GameStyle::GameStyle(QStyle* platform) : QProxyStyle(platform) {}

QIcon GameStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                              const QWidget* widget) const {
    // Only the question the menu bar asks as it is made, without an option to keep.
    if (standardIcon != SP_ToolBarHorizontalExtensionButton || option)
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    // Either may be gone by then; QPointer holds only what may change.
    QPointer<QWidget> asking(const_cast<QWidget*>(widget));
    QPointer<GameStyle> style(const_cast<GameStyle*>(this));
    return QIcon(new DeferredIconEngine([style, asking, standardIcon] {
        if (!style)
            return QIcon();
        return style->QProxyStyle::standardIcon(standardIcon, nullptr, asking.data());
    }));
}
