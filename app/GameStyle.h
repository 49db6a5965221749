#pragma once

// The platform's own style, with one icon made when it is first used instead of at once: the menu
// bar's overflow button asks for its icon while the bar is made, and reading that picture lets Qt
// load every image-format plugin to learn its format, before the first window. The button shows
// only when the menus do not fit, which they always do. The menus' keyboard letters stay hidden
// until the player holds Alt or works the menu bar from the keyboard, so the menus read as they
// always have; Alt alone takes the keyboard to the menu bar on every platform style. Everything
// else is the platform style's.

#include <QProxyStyle>

// The application's style: the platform's style, the menu bar's overflow icon made on first use.
class GameStyle : public QProxyStyle {
    Q_OBJECT
public:
    // platform: the application's style as Qt chose it (the desktop's, or the one the user asked
    // for with -style or QT_STYLE_OVERRIDE); this style owns it from now on.
    explicit GameStyle(QStyle* platform);

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    void polish(QApplication* application) override;
    void unpolish(QApplication* application) override;
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;

protected:
    // Follows Alt and the menu bar's keyboard focus, which show the keyboard letters.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setLettersShown(bool shown);

    bool m_altHeld = false;
    bool m_lettersShown = false;
};
