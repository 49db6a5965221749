#pragma once

// Tmultiplayer, the window inviting the player to the multiplayer game.

#include <QString>
#include <QWidget>

class ClickLabel;
class TSelButton;
class TURL;

// The advertisement window: invites the player to compete with others on the maker's web site.
// Its two lines and its picture open the same page there. Made at start-up; nothing in the game
// opens it.
class Tmultiplayer : public QWidget {
    Q_OBJECT

public:
    // owner: the game window, which the window stays above and is first centred on.
    // siteRoot: the maker's web site, e.g. "http://127.0.0.1:8080/"; the window opens its page
    // "multiplayer.html".
    Tmultiplayer(QWidget* owner, const QString& siteRoot);

    void showWindow();

    // Components, by their names on the window.
    ClickLabel* label_line1 = nullptr;
    ClickLabel* image_ad = nullptr;
    ClickLabel* label_line2 = nullptr;
    TSelButton* button_done = nullptr;
    TURL* URL1 = nullptr;

public slots:
    // Serves both lines and the picture.
    void label_lineClick();
    void button_doneClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* m_owner;
    bool m_shownBefore = false;
};
