#include "app/GameStyle.h"

#include <QApplication>
#include <QIconEngine>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
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
    if (standardIcon != SP_ToolBarHorizontalExtensionButton || option) {
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    }
    // Either may be gone by then; QPointer holds only what may change.
    QPointer<QWidget> asking(const_cast<QWidget*>(widget));
    QPointer<GameStyle> style(const_cast<GameStyle*>(this));
    return QIcon(new DeferredIconEngine([style, asking, standardIcon] {
        if (!style) {
            return QIcon();
        }
        return style->QProxyStyle::standardIcon(standardIcon, nullptr, asking.data());
    }));
}

int GameStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const {
    if (hint == SH_MenuBar_AltKeyNavigation) {
        return 1;
    }
    const int given = QProxyStyle::styleHint(hint, option, widget, returnData);
    if (hint == SH_UnderlineShortcut) {
        return given != 0 && m_lettersShown ? 1 : 0;
    }
    return given;
}

void GameStyle::polish(QApplication* application) {
    QProxyStyle::polish(application);
    application->installEventFilter(this);
}

void GameStyle::unpolish(QApplication* application) {
    application->removeEventFilter(this);
    QProxyStyle::unpolish(application);
}

bool GameStyle::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Alt) {
            m_altHeld = event->type() == QEvent::KeyPress;
        }
        break;
    case QEvent::ApplicationStateChange:
    case QEvent::WindowDeactivate:
        // Alt let go in another window is never seen here.
        m_altHeld = false;
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        break;
    default:
        return QProxyStyle::eventFilter(watched, event);
    }
    // The menu bar has the keyboard while the player works it with keys (after Alt or F10).
    const QWidget* focus = QApplication::focusWidget();
    setLettersShown(m_altHeld || qobject_cast<const QMenuBar*>(focus) != nullptr);
    return QProxyStyle::eventFilter(watched, event);
}

void GameStyle::setLettersShown(bool shown) {
    if (shown == m_lettersShown) {
        return;
    }
    m_lettersShown = shown;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (qobject_cast<QMenuBar*>(widget) != nullptr || qobject_cast<QMenu*>(widget) != nullptr) {
            widget->update();
        }
    }
}
