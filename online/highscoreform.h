#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <string>

class HtmlViewer;
class QLabel;
class TFlatPanel;
class TLbBackground;
class TSelButton;
class THTTPGet;
class TURL;

// The high-score window: the score server's high-score page in an HTML view, fetched afresh each
// time the window is opened, with clicked links handed to the system's browser. It also posts
// scores. Modeless; DONE or the close button only hides it. A failed load is silent and leaves
// the previous page, and so does a page over the viewer's limits.
class Thighscore : public QWidget {
    Q_OBJECT

public:
    // siteRoot: "http://host[:port]/" of the score server, ending in "/".
    Thighscore(QWidget* owner, std::string siteRoot);

    // Starts loading the high-score page and returns at once; ignored while a load runs.
    void loadit();
    // Posts a score: name, date ("m/d/yy") and score as decimal text. The name is encoded so it
    // arrives intact; a posting still out makes this do nothing.
    void sendscore(const QString& name, const QString& date, const QString& score);

    // Shows the window, or brings it up again when it is already shown or minimised.
    void showWindow();

    // What the game window does when a posting is answered, before the page is loaded and the
    // window shown: hide the game-over panel and stop its watchdog.
    void setPostingAnswered(std::function<void()> answered) {
        m_postingAnswered = std::move(answered);
    }

    // What the game window does when the server refuses a posting (a reply with status 400 or
    // above, whatever its body): report "Posting Failed." at once and stop the watchdog.
    void setPostingRefused(std::function<void()> refused) { m_postingRefused = std::move(refused); }

    const std::string& siteRoot() const { return m_siteRoot; }

    // The window's parts, open to the game window and the tests.
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    TSelButton* button_done = nullptr;
    TFlatPanel* panel_main = nullptr;
    HtmlViewer* displayhtml = nullptr;
    TURL* URL1 = nullptr;
    TLbBackground* LbBackground1 = nullptr;
    THTTPGet* getit = nullptr;
    THTTPGet* sendit = nullptr;

public slots:
    void getitDoneString(QObject* Sender, const std::string& Result);
    void senditDoneString(QObject* Sender, const std::string& Result);
    void displayhtmlHotSpotClick(const QString& SRC);
    void button_doneClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();

    std::string m_siteRoot;
    std::function<void()> m_postingAnswered;
    std::function<void()> m_postingRefused;
    bool m_placed = false;
};
