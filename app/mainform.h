#pragma once

// The game window: the board with its displays, the menus, the pop-up panels over the board,
// the player's name, the settings and the sounds. The game itself runs in Game; this window
// gives it a face and the entry points from buttons and menus.

#include "app/MainLayout.h"
#include "app/Settings.h"
#include "update/InstallerSignature.h"

#include <QList>
#include <QMainWindow>
#include <QRect>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class BoardView;
class QAction;
class EngineClock;
class DailyTicket;
class Game;
class GameRecorder;
class MainDisplay;
class ProcessControl;
class Tabout;
class Thelp;
class Thighscore;
class Updater;
class QSystemSemaphore;
class ReplayWatch;
class ScoreSubmission;
class SeededRandom;
class SoundOutput;
class SoundPlayer;
class TallyCalls;
class VerifiedGames;

// What the window needs from its surroundings. The program passes the game's clock driven by
// real time, the time of day as seed, the sound device and the real settings file; tests pass a
// clock they advance by hand and fakes.
struct MainEnvironment {
    // The clock of every timer of the window and its game.
    EngineClock* timers = nullptr;
    // Brings that clock to the present before the game acts on an input; none where the clock
    // is advanced by hand.
    std::function<void()> clockToNow;
    // Games take tickets from the score server and their records go there after SEND SCORE.
    bool verifiedGames = false;
    std::function<std::uint64_t()> seed;
    SoundOutput* sound = nullptr;
    std::filesystem::path settingsFile;
    // The desktop work area (the screen without panels); defaults to the window's screen.
    std::function<QRect()> workArea;
    // A modal message with one OK button and no icon, titled "Bloomzap"; defaults to a
    // QMessageBox.
    std::function<void(const QString&)> showMessage;
    // The maker's key that update installers must be signed with; none refuses them all.
    std::optional<UpdatePublicKey> updateKey;
    // Starts the installer and ends the program; null for the real ones (tests record them).
    ProcessControl* updateProcess = nullptr;
};

class Tmain : public QMainWindow {
    Q_OBJECT

public:
    explicit Tmain(MainEnvironment environment, QWidget* parent = nullptr);
    ~Tmain() override;

    Game& game() { return *m_game; }
    // The records of games played on tickets, and where the tickets come from.
    const GameRecorder& recorder() const { return *m_recorder; }
    VerifiedGames& verifiedGames() const { return *m_verified; }
    // The score posting of SEND SCORE, with its watchdog.
    const ScoreSubmission& scoreSubmission() const { return *m_submission; }
    // Replays watched on the board, asked for from the high-score window.
    ReplayWatch& replayWatch() const { return *m_watch; }

    // The tally list: where the game reports, and the window "Tally List" shows.
    void setTally(TallyCalls* tally);
    void setTallyListWindow(std::function<void()> show);
    // The high-score window: "View High Score List", "VIEW HIGH SCORES" and an answered posting.
    void setHighScoreWindow(Thighscore* highscore);
    // "Help" (F1), "About" and the logo's link.
    void setInfoWindows(Thelp* help, Tabout* about);
    // The program's own version text (the About window's), which the update check compares
    // with the published one. Without it there is nothing to compare and no check is made.
    void setVersionText(std::function<QString()> versionText);

    // Web address of the score and update server, ending in "/", as the settings give it.
    const std::string& siteRoot() const { return m_settings.site; }

    // The switches: the check marks of their menu items are the state.
    bool playSounds() const;
    bool checkForUpdates() const;
    QString playerName() const;

    // Writes the settings; on a write error shows it and answers false.
    bool saveSettings();

    // Plays a sound by its name ("drop", "clear", ...) when "Play Sounds" is checked.
    void playsounds(const std::string& name);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Minimising the window pauses a running game, as PAUSE GAME does.
    void changeEvent(QEvent* event) override;
    // Keyboard play wherever the focus is, unless a name box takes the keys: the arrow keys
    // move the board's cursor, Space or Return clicks its cell, P is PAUSE GAME / RESUME. While
    // a replay is watched the game takes no keys.
    void keyPressEvent(QKeyEvent* event) override;
    // The pop-up panels: as one comes or goes, the cells it lies over read differently, and the
    // keyboard goes to its first control, or back to the board (or the panel still shown).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Handlers, by the events they answer; each is connected to its event.
    void StartGame1Click();
    void PlaySounds1Click();
    void ResetScreenLocation1Click();
    void ChangeName1Click();
    void TallyList1Click();
    void button_namedoneClick();
    void button_namecancelClick();
    void button_doneClick();
    void button_sendscoreClick();
    void button_viewhighscoresClick();
    void ViewHighScoreList1Click();
    void DailyBloom1Click();
    void ViewDailyBloomList1Click();
    void Help1Click();
    void About1Click();
    void image_logoClick();

    // A replay takes the board: the running game pauses, the panels over the board and the
    // game's buttons step aside; afterwards all comes back as it was and the game resumes.
    void watchStarted();
    void watchEnded();

    void FormCreate();
    // The ticket for the game that starts now: the Daily Bloom's when its arrival starts the
    // game, else a normal one if one is held.
    std::optional<std::string> takeTicket();
    void dailyTicketArrived(const QString& line, const QString& day);
    void buildWindow();
    void connectHandlers();
    // The window's size grown, where needed, so that its client area holds the board panel.
    static QSize grownToBoard(QSize window, int menuHeight);
    void loadSettings();
    bool FormClose();
    void showPanel(QWidget* panel);
    // Keyboard focus to the first control of the panel shown on top, or to the board.
    void focusTopPanel(QWidget* shown);
    MainEnvironment m_environment;
    MainParts m_parts;
    std::unique_ptr<MainDisplay> m_display;
    BoardView* m_board = nullptr;
    Settings m_settings;
    QRect m_stored;
    std::unique_ptr<QSystemSemaphore> m_lock;
    std::unique_ptr<SeededRandom> m_random;
    std::unique_ptr<SoundPlayer> m_sounds;
    std::unique_ptr<Game> m_game;
    std::unique_ptr<GameRecorder> m_recorder;
    VerifiedGames* m_verified = nullptr;
    DailyTicket* m_daily = nullptr;
    // The Daily Bloom ticket and its day, for the one game its arrival starts.
    std::optional<std::string> m_dailyTicket;
    QString m_dailyDay;
    std::function<void()> m_showTallyList;
    ScoreSubmission* m_submission = nullptr;
    Thighscore* m_highscore = nullptr;
    Thelp* m_help = nullptr;
    Tabout* m_about = nullptr;
    Updater* m_updater = nullptr;
    std::function<QString()> m_versionText;
    bool m_shownBefore = false;
    QList<QWidget*> m_panels; // the pop-up panels over the board
    ReplayWatch* m_watch = nullptr;
    // What a watch set aside, to be given back when it ends.
    struct BeforeWatch {
        bool resume = false;
        bool startEnabled = true;
        bool pauseEnabled = false;
        QList<QWidget*> hidden;
        QList<QAction*> disabledItems;
    };
    std::optional<BeforeWatch> m_beforeWatch;
};
