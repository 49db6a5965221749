#pragma once

// Thelp, the help window.

#include <QStringList>
#include <QWidget>

#include <array>

class QImage;
class QLabel;
class QPlainTextEdit;
class Tabout;
class TFlatPanel;
class TLbBackground;
class TSelButton;

// The help window: topic buttons down the left side, and one page per topic stacked in the
// same place so that only the front one is seen. The page last chosen stays in front between
// openings. Sizeable; the first showing is centred over the game window.
class Thelp : public QWidget {
    Q_OBJECT

public:
    // One topic: its button, the tag that names its page ("memo" + tag) and the page's lines.
    struct Topic {
        const char* name;
        const char* caption;
        int top;
        int tag;
        QStringList lines;
    };
    static const std::array<Topic, 5>& topics();

    // owner: the game window, which the window stays above and is first centred on.
    // about: the window the "About" button shows.
    Thelp(QWidget* owner, Tabout* about);

    // Shows the window and brings it to the front ("Help" and F1 in the game window).
    void showWindow();
    // The page the player sees now.
    QPlainTextEdit* frontpage() const;

    // Components, by their names on the window.
    TLbBackground* LbBackground1 = nullptr;
    TFlatPanel* panel_side = nullptr;
    std::array<TSelButton*, 5> button_topic{};
    TSelButton* button_about = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* label_year = nullptr;
    TSelButton* button_done = nullptr;
    TFlatPanel* panel_main = nullptr;
    QLabel* label_caption = nullptr;
    QPlainTextEdit* memo1 = nullptr;
    QPlainTextEdit* memo3 = nullptr;
    QPlainTextEdit* memo4 = nullptr;
    QPlainTextEdit* memo5 = nullptr;
    QPlainTextEdit* memo6 = nullptr;

public slots:
    // Serves every topic button: brings page "memo" + the button's tag to the front and shows
    // the button's caption above it.
    void button_topicClick(QObject* Sender);
    void button_aboutClick();
    void button_doneClick();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate(const QImage& background);
    QPlainTextEdit* makepage(const Topic& topic);
    void layoutpanels();

    QWidget* m_owner;
    Tabout* m_about;
    bool m_shownBefore = false;
};
