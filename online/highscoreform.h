#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <string>
#include <string_view>

class HtmlViewer;
class QLabel;
class TFlatPanel;
class TLbBackground;
class TSelButton;
class THTTPGet;
class TURL;

// The high-score window: the score server's high-score page in an HTML view, fetched afresh each
// time the window is opened, with clicked links handed to the system's browser. Modeless; DONE or
// the close button only hides it. A failed load is silent and leaves the previous page, and so
// does a page over the viewer's limits. A link to watch a replay on the game's own site goes to
// the game instead (watchAsked); one on any other site is not followed at all.
class Thighscore : public QWidget {
    Q_OBJECT

public:
    // siteRoot: "http://host[:port]/" of the score server, ending in "/".
    Thighscore(QWidget* owner, std::string siteRoot);

    // Starts loading the high-score page and returns at once. While a load runs, its page is
    // the one that arrives; should it fail, the page is asked for once more.
    void loadit();
    // The same for another page of the site (the daily list): `path` relative to the site root.
    void loadPage(std::string_view path);

    // Shows the window, or brings it up again when it is already shown or minimised.
    void showWindow();

    // The window's parts, open to the tests.
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    TSelButton* button_done = nullptr;
    TFlatPanel* panel_main = nullptr;
    HtmlViewer* displayhtml = nullptr;
    TURL* URL1 = nullptr;
    TLbBackground* LbBackground1 = nullptr;
    THTTPGet* getit = nullptr;

    // Handlers, by the events they answer.
    void getitDoneString(QObject* Sender, const std::string& Result);
    void displayhtmlHotSpotClick(const QString& SRC);
    void button_doneClick();

signals:
    // A watch link of the game's own site was clicked: the record with this id.
    void watchAsked(std::uint64_t id);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();

    std::string m_siteRoot;
    std::string m_pageAddress; // of the page shown; its links are relative to it
    bool m_placed = false;
    // loadit was called while a load ran.
    bool m_loadAgain = false;
    // The page last asked for, relative to the site root.
    std::string m_page;
};
