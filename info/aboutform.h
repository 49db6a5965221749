#pragma once

// Tabout, the About window.

#include "widgets/PictureLabel.h"

#include <QString>
#include <QWidget>

class ClickLabel;
class QImage;
class QLabel;
class TLbBackground;
class TSelButton;
class TURL;

// The About window: the title picture, the link to the maker's web site, the credits and the
// version text that the update check compares with the published one. A fixed dialog that is
// created once and only shown and hidden; the first showing is centred over the game window.
class Tabout : public QWidget {
    Q_OBJECT

public:
    // owner: the game window, which the window stays above and is first centred on.
    // siteRoot: the maker's web site, e.g. "http://127.0.0.1:8080/"; the link opens its host.
    Tabout(QWidget* owner, const QString& siteRoot);

    // Shows the window and brings it to the front ("About" in the menu and on the help window).
    void showWindow();
    // Opens the maker's web site, as a click on the link line does; the game window's logo
    // calls this. True when the system took the link.
    bool openSite();

    // Components, by their names on the window.
    TLbBackground* LbBackground1 = nullptr;
    PictureLabel* image_title = nullptr;
    ClickLabel* label_link = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* label_year = nullptr;
    QLabel* Label3 = nullptr;
    // The program's version text, which the update check reads.
    QLabel* version = nullptr;
    QLabel* Label4 = nullptr;
    TSelButton* button_done = nullptr;
    TURL* URL1 = nullptr;

public slots:
    void label_linkClick();
    void button_doneClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate(const QImage& background);

    QWidget* m_owner;
    bool m_shownBefore = false;
};
