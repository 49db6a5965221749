#pragma once

// The platform's own style, with one icon made when it is first used instead of at once: the menu
// bar's overflow button asks for its icon while the bar is made, and reading that picture lets Qt
// load every image-format plugin to learn its format, before the first window. The button shows
// only when the menus do not fit, which they always do. Everything else is the platform style's.

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
};
