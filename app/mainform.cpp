#include "app/mainform.h"

#include "app/NameBox.h"
#include "app/SettingsFile.h"
#include "app/SoundPlayer.h"
#include "app/WindowLayout.h"
#include "engine/BoardView.h"
#include "engine/Game.h"
#include "engine/GameTimer.h"
#include "engine/RandomSource.h"
#include "engine/TimerComponent.h"
#include "info/ClickLabel.h"
#include "info/aboutform.h"
#include "info/helpform.h"
#include "online/PostingDate.h"
#include "online/ScoreSubmission.h"
#include "online/highscoreform.h"
#include "update/SelfUpdate.h"
#include "update/Updater.h"
#include "widgets/ButtonComps.h"
#include "widgets/HouseStyle.h"
#include "widgets/LbBack.h"
#include "widgets/PlayerMessage.h"
#include "widgets/TFlatPanelUnit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPixmap>
#include <QResizeEvent>
#include <QScreen>
#include <QSystemSemaphore>

namespace {

using house::darkGrey;
using house::grey;
using house::lightGrey;
using house::maroon;
using house::sansSerif;

using layout::boardPanelHeight;
using layout::boardPanelWidth;
using layout::clientMinHeight;
using layout::clientMinWidth;
// The client area the window was designed in; the board panel keeps its centre at the same
// proportion of the client area as there.
constexpr double designClientWidth = layout::defaultWidth;
constexpr double designClientHeight = layout::defaultHeight;
constexpr double designCentreX = layout::boardPanelLeft + boardPanelWidth / 2.0;
constexpr double designCentreY = layout::boardPanelTop + boardPanelHeight / 2.0;
// The board's frame; the pause panel covers exactly this, hiding the flowers.
constexpr QRect boardFrame(22, 1, 325, 324);
// The greeting's width when it holds no more than the welcome text.
constexpr int greetingWidth = 160;

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

// A transparent label; without a width it is sized to its text, as the window's labels are.
QLabel* makeLabel(QWidget* parent, const char* name, int left, int top, const QString& text,
                  const QColor& colour, const QFont& font, int width = 0, int height = 0,
                  Qt::Alignment align = Qt::AlignLeft) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    setTextColour(label, colour);
    label->setAlignment(align | Qt::AlignTop);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->move(left, top);
    if (width > 0) {
        const int h = height > 0 ? height : QFontMetrics(font).height();
        label->resize(width, h);
    } else {
        label->adjustSize();
    }
    return label;
}

TSelButton* makeButton(QWidget* parent, const char* name, const QRect& rect, const QString& caption,
                       const QColor& captionColour) {
    auto* button = new TSelButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(rect);
    house::styleButton(button, captionColour);
    button->setCaption(caption);
    return button;
}

TFlatPanel* makePanel(QWidget* parent, const char* name, const QRect& rect, const QColor& border,
                      bool transparent) {
    auto* panel = new TFlatPanel(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(rect);
    panel->setColorHighLight(border);
    panel->setColorShadow(border);
    panel->setColor(Qt::black);
    panel->setTransparent(transparent);
    panel->setCaption(QString());
    return panel;
}

NameBox* makeNameBox(QWidget* parent, const char* name, const QRect& rect) {
    auto* box = new NameBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(rect);
    box->setFont(sansSerif(19));
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    box->setPalette(palette);
    return box;
}

} // namespace

Tmain::Tmain(MainEnvironment environment, QWidget* parent)
    : QMainWindow(parent), m_environment(std::move(environment)) {
    if (!m_environment.workArea) {
        m_environment.workArea = [this] {
            const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
            return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
        };
    }
    if (!m_environment.showMessage) {
        m_environment.showMessage = [this](const QString& text) {
            showPlayerMessage(this, QStringLiteral("Bloomzap"), text);
        };
    }
    buildWindow();
    buildPanels();
    buildMenus();
    FormCreate();
    // The update check's web clients, on the server the settings name.
    m_updater = new Updater(
        this,
        {m_ui.panel_update, m_ui.button_updateyes, m_ui.button_updatecancel, m_ui.label_update},
        m_settings.site, m_environment.updateKey, m_environment.updateProcess,
        m_environment.showMessage);
    connect(m_ui.button_updateyes, &TSelButton::OnClick, m_updater,
            [this] { m_updater->button_updateyesClick(); });
    connect(m_ui.button_updatecancel, &TSelButton::OnClick, m_updater,
            [this] { m_updater->button_updatecancelClick(); });
    // Return in the name entry is its DONE.
    connect(m_ui.edit_aname, &QLineEdit::returnPressed, this, &Tmain::button_namedoneClick);
}

Tmain::~Tmain() {
    // An update under way still uses the offer panel while it winds down.
    delete m_updater;
    // The board refers to the game; let it go first.
    if (m_ui.board)
        m_ui.board->setGame(nullptr);
}

void Tmain::FormCreate() {
    // A system-wide name that tells other programs this one runs; it is never tested.
    m_lock = std::make_unique<QSystemSemaphore>(QString::fromLatin1(SelfUpdate::productWord), 1,
                                                QSystemSemaphore::Open);

    m_random = std::make_unique<SeededRandom>(m_environment.seed ? m_environment.seed() : 0);
    m_sounds = std::make_unique<SoundPlayer>(*m_environment.sound,
                                             [this] { return m_ui.PlaySounds1->isChecked(); });
    GameDisplay& display = *this;
    m_game = std::make_unique<Game>(*m_ui.board, display, *m_environment.timers, *m_random);
    m_game->setSounds(m_sounds.get());
    m_ui.timerdrop = new TimerComponent("timerdrop", m_game->timerdrop(), this);
    m_ui.timerremove = new TimerComponent("timerremove", m_game->timerremove(), this);
    m_ui.timerdroprate = new TimerComponent("timerdroprate", m_game->timerdroprate(), this);
    m_ui.timerblink = new TimerComponent("timerblink", m_game->timerblink(), this);
    m_ui.board->setGame(m_game.get());

    loadSettings();
    // The score posting, on the server the settings name.
    m_submission = new ScoreSubmission(*m_environment.timers, m_settings.site, this);
    connect(m_submission, &ScoreSubmission::waitCaptionChanged, m_ui.panel_wait,
            &TFlatPanel::setCaption);
    // The wait panel stays over SEND SCORE after a failure.
    connect(m_submission, &ScoreSubmission::postingFailed, this,
            [this](const QString& message) { m_environment.showMessage(message); });
    connect(m_submission, &ScoreSubmission::postingAnswered, this, [this] {
        m_ui.panel_cleared->hide();
        button_viewhighscoresClick();
    });
    m_game->state().gamerunning = false;
    playsounds("entered");
    showPanel(m_ui.panel_name);
}

void Tmain::buildWindow() {
    setWindowTitle(QStringLiteral("Bloomzap"));
    setObjectName(QStringLiteral("main"));
    setFont(sansSerif(11));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setAutoFillBackground(true);
    QPalette black = client->palette();
    black.setColor(QPalette::Window, Qt::black);
    client->setPalette(black);
    client->setMinimumSize(clientMinWidth, clientMinHeight);
    setCentralWidget(client);

    // Present, as on every window, but without a picture: the background stays plain black.
    m_ui.LbBackground1 = new TLbBackground(client);
    m_ui.LbBackground1->setObjectName(QStringLiteral("LbBackground1"));

    m_ui.panel_board = makePanel(
        client, "panel_board",
        QRect(layout::boardPanelLeft, layout::boardPanelTop, boardPanelWidth, boardPanelHeight),
        Qt::black, true);
    m_ui.label_name =
        makeLabel(m_ui.panel_board, "label_name", 3, 5, QStringLiteral("Welcome to Bloomzap!"),
                  Qt::white, sansSerif(13), greetingWidth, 16);

    m_ui.panel_board1 =
        makePanel(m_ui.panel_board, "panel_board1", QRect(3, 26, 505, 407), Qt::black, true);
    m_ui.FlatPanel1 = makePanel(m_ui.panel_board1, "FlatPanel1", boardFrame, maroon, false);
    m_ui.board = new BoardView(m_ui.FlatPanel1);
    m_ui.board->setObjectName(QStringLiteral("board"));
    m_ui.board->move(2, 2);

    // The displays right of the board: a caption, and under it the number the game sets.
    const QFont display = house::arial(16, true);
    const QFont scoreFont = house::arial(27, true);
    constexpr int displayLeft = 362;
    constexpr int displayWidth = 140; // room for the biggest numbers right of the board
    const struct {
        QLabel*& caption;
        const char* captionName;
        int captionTop;
        const char* text;
        QLabel*& number;
        const char* numberName;
        int numberTop;
        QColor colour;
        const QFont& font;
    } displays[] = {
        {m_ui.Label8, "Label8", 1, "Level:", m_ui.label_round, "label_round", 28,
         QColor(255, 106, 181), display},
        {m_ui.Label10, "Label10", 55, "Until Next Level:", m_ui.label_roundcleared,
         "label_roundcleared", 83, QColor(0, 255, 0), display},
        {m_ui.Label6, "Label6", 110, "Last Score:", m_ui.label_lastscore, "label_lastscore", 137,
         QColor(255, 128, 0), display},
        {m_ui.Label2, "Label2", 189, "Score:", m_ui.label_score, "label_score", 223, Qt::yellow,
         scoreFont},
    };
    for (const auto& d : displays) {
        d.caption = makeLabel(m_ui.panel_board1, d.captionName, displayLeft, d.captionTop,
                              QString::fromLatin1(d.text), d.colour, d.font);
        d.number = makeLabel(m_ui.panel_board1, d.numberName, displayLeft, d.numberTop,
                             QStringLiteral("0"), d.colour, d.font, displayWidth);
    }

    m_ui.button_pause = makeButton(m_ui.panel_board1, "button_pause", QRect(355, 260, 132, 27),
                                   QStringLiteral("PAUSE GAME"), darkGrey);
    m_ui.button_pause->setEnabledFlag(false);
    m_ui.button_start = makeButton(m_ui.panel_board1, "button_start", QRect(355, 300, 132, 27),
                                   QStringLiteral("START GAME"), darkGrey);
    connect(m_ui.button_pause, &TSelButton::OnClick, this, [this] { m_game->button_pauseClick(); });
    connect(m_ui.button_start, &TSelButton::OnClick, this, [this] { m_game->button_startClick(); });

    const QColor magenta(210, 0, 210);
    m_ui.Label4 = makeLabel(m_ui.panel_board1, "Label4", 22, 333, QStringLiteral("Cleared:"),
                            magenta, display, 65, 0, Qt::AlignRight);
    m_ui.label_numremoved = makeLabel(m_ui.panel_board1, "label_numremoved", 95, 333,
                                      QStringLiteral("0"), magenta, display, 60);
    m_ui.label_status =
        makeLabel(m_ui.panel_board1, "label_status", 160, 331, QStringLiteral("Enjoy the Game!"),
                  Qt::blue, display, 184, 19, Qt::AlignRight);

    m_ui.image_logo = new ClickLabel(m_ui.panel_board1);
    m_ui.image_logo->setObjectName(QStringLiteral("image_logo"));
    m_ui.image_logo->setGeometry(71, 353, 218, 52);
    m_ui.image_logo->setPixmap(QPixmap(QStringLiteral(":/pictures/logo.png")));
    m_ui.image_logo->setAttribute(Qt::WA_TranslucentBackground);
    connect(m_ui.image_logo, &ClickLabel::clicked, this, &Tmain::image_logoClick);

    m_ui.Image1 = new QLabel(m_ui.panel_board1);
    m_ui.Image1->setObjectName(QStringLiteral("Image1"));
    m_ui.Image1->setGeometry(384, 336, 65, 67);
    m_ui.Image1->setScaledContents(true);
    m_ui.Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/emblem.png")));

    resize(layout::defaultWidth, layout::defaultHeight);
}

void Tmain::buildPanels() {
    const QFont title = sansSerif(19, true);
    const QFont regular19 = sansSerif(19);
    const QFont bold16 = sansSerif(16, true);
    const QFont regular16 = sansSerif(16);

    m_ui.panel_name =
        makePanel(m_ui.panel_board1, "panel_name", QRect(25, 56, 319, 161), maroon, false);
    makeLabel(m_ui.panel_name, "label_entername", 4, 10, QStringLiteral("ENTER YOUR NAME"),
              lightGrey, title, 311, 24, Qt::AlignHCenter);
    m_ui.edit_aname = makeNameBox(m_ui.panel_name, "edit_aname", QRect(83, 52, 161, 32));
    m_ui.button_namedone = makeButton(m_ui.panel_name, "button_namedone", QRect(43, 101, 111, 36),
                                      QStringLiteral("DONE"), grey);
    m_ui.button_namecancel = makeButton(m_ui.panel_name, "button_namecancel",
                                        QRect(171, 101, 111, 36), QStringLiteral("CANCEL"), grey);
    connect(m_ui.button_namedone, &TSelButton::OnClick, this, &Tmain::button_namedoneClick);
    connect(m_ui.button_namecancel, &TSelButton::OnClick, this, &Tmain::button_namecancelClick);
    m_ui.panel_name->hide();

    m_ui.panel_cleared =
        makePanel(m_ui.panel_board1, "panel_cleared", QRect(25, 15, 318, 288), maroon, false);
    makeLabel(m_ui.panel_cleared, "label_cleared", 4, 10, QStringLiteral("YOUR CLEARED THE BOARD!"),
              lightGrey, title, 311, 24, Qt::AlignHCenter);
    makeLabel(m_ui.panel_cleared, "label_yourscore", 2, 39, QStringLiteral("Your Score: "), Qt::red,
              title, 313, 24, Qt::AlignHCenter);
    makeLabel(m_ui.panel_cleared, "label_entername2", 2, 67, QStringLiteral("Enter Your Name"),
              lightGrey, title, 313, 24, Qt::AlignHCenter);
    m_ui.edit_name = makeNameBox(m_ui.panel_cleared, "edit_name", QRect(83, 95, 161, 32));
    m_ui.button_sendscore = makeButton(m_ui.panel_cleared, "button_sendscore",
                                       QRect(78, 135, 172, 36), QStringLiteral("SEND SCORE"), grey);
    connect(m_ui.button_sendscore, &TSelButton::OnClick, this, &Tmain::button_sendscoreClick);
    // Black on black: of the wait panel only its text shows.
    m_ui.panel_wait =
        makePanel(m_ui.panel_cleared, "panel_wait", QRect(2, 131, 315, 49), Qt::black, false);
    m_ui.panel_wait->setFont(regular19);
    m_ui.panel_wait->setFontColor(house::buttonFace);
    m_ui.panel_wait->setCaption(QStringLiteral("Posting Score, Please Wait......"));
    m_ui.panel_wait->hide();
    m_ui.button_viewhighscores =
        makeButton(m_ui.panel_cleared, "button_viewhighscores", QRect(78, 186, 172, 36),
                   QStringLiteral("VIEW HIGH SCORES"), darkGrey);
    connect(m_ui.button_viewhighscores, &TSelButton::OnClick, this,
            &Tmain::button_viewhighscoresClick);
    m_ui.button_done = makeButton(m_ui.panel_cleared, "button_done", QRect(109, 235, 111, 36),
                                  QStringLiteral("DONE"), grey);
    connect(m_ui.button_done, &TSelButton::OnClick, this, &Tmain::button_doneClick);
    m_ui.panel_cleared->hide();

    m_ui.panel_update =
        makePanel(m_ui.panel_board1, "panel_update", QRect(26, 29, 317, 161), maroon, false);
    makeLabel(m_ui.panel_update, "label_updateavailable", -1, 10,
              QStringLiteral("Update Available"), lightGrey, title, 327, 24, Qt::AlignHCenter);
    makeLabel(m_ui.panel_update, "label_updatenow", 2, 47,
              QStringLiteral("Would you like to update now?"), lightGrey, bold16, 327, 24,
              Qt::AlignHCenter);
    m_ui.button_updateyes = makeButton(m_ui.panel_update, "button_updateyes",
                                       QRect(43, 93, 111, 36), QStringLiteral("UPDATE"), grey);
    m_ui.button_updatecancel = makeButton(m_ui.panel_update, "button_updatecancel",
                                          QRect(171, 93, 111, 36), QStringLiteral("CANCEL"), grey);
    m_ui.label_update = makeLabel(m_ui.panel_update, "label_update", 1, 161 - 21, QString(),
                                  lightGrey, regular16, 315, 20, Qt::AlignHCenter);
    m_ui.panel_update->hide();

    m_ui.panel_paused = makePanel(m_ui.panel_board1, "panel_paused", boardFrame, maroon, false);
    makeLabel(m_ui.panel_paused, "label_paused", 1, 129, QStringLiteral("GAME IS PAUSED"),
              QColor(0, 255, 0), regular19, 323, 24, Qt::AlignHCenter);
    m_ui.button_resume = makeButton(m_ui.panel_paused, "button_resume", QRect(97, 172, 132, 27),
                                    QStringLiteral("RESUME"), darkGrey);
    connect(m_ui.button_resume, &TSelButton::OnClick, this,
            [this] { m_game->button_resumeClick(); });
    m_ui.panel_paused->hide();
}

void Tmain::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    m_ui.StartGame1 = file->addAction(QStringLiteral("Start Game"), this, &Tmain::StartGame1Click);
    m_ui.StartGame1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator();
    m_ui.Exit1 = file->addAction(QStringLiteral("Exit"), this, &QWidget::close);

    QMenu* options = menuBar()->addMenu(QStringLiteral("Options"));
    m_ui.PlaySounds1 = options->addAction(QStringLiteral("Play Sounds"));
    m_ui.PlaySounds1->setCheckable(true);
    m_ui.PlaySounds1->setChecked(true);
    connect(m_ui.PlaySounds1, &QAction::triggered, this, &Tmain::PlaySounds1Click);
    m_ui.ResetScreenLocation1 = options->addAction(QStringLiteral("Reset Screen Location"), this,
                                                   &Tmain::ResetScreenLocation1Click);
    m_ui.ChangeName1 =
        options->addAction(QStringLiteral("Change  Name"), this, &Tmain::ChangeName1Click);
    // The check mark toggles on a click (QAction does that itself) and is saved at close.
    m_ui.AutomaticallyCheckforUpdates1 =
        options->addAction(QStringLiteral("Automatically Check for Updates"));
    m_ui.AutomaticallyCheckforUpdates1->setCheckable(true);
    m_ui.AutomaticallyCheckforUpdates1->setChecked(true);

    QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
    m_ui.TallyList1 = view->addAction(QStringLiteral("Tally List"), this, &Tmain::TallyList1Click);
    m_ui.TallyList1->setEnabled(false);
    m_ui.ViewHighScoreList1 = view->addAction(QStringLiteral("View High Score List"), this,
                                              &Tmain::ViewHighScoreList1Click);
    m_ui.ViewHighScoreList1->setEnabled(false);

    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    m_ui.Help1 = help->addAction(QStringLiteral("Help"), this, &Tmain::Help1Click);
    m_ui.Help1->setShortcut(QKeySequence(Qt::Key_F1));
    m_ui.Help1->setEnabled(false);
    help->addSeparator();
    m_ui.About1 = help->addAction(QStringLiteral("About"), this, &Tmain::About1Click);
    m_ui.About1->setEnabled(false);

    // Each menu item carries its name from the window, as the other components do.
    const std::pair<QAction*, const char*> items[] = {
        {m_ui.StartGame1, "StartGame1"},
        {m_ui.Exit1, "Exit1"},
        {m_ui.PlaySounds1, "PlaySounds1"},
        {m_ui.ResetScreenLocation1, "ResetScreenLocation1"},
        {m_ui.ChangeName1, "ChangeName1"},
        {m_ui.AutomaticallyCheckforUpdates1, "AutomaticallyCheckforUpdates1"},
        {m_ui.TallyList1, "TallyList1"},
        {m_ui.ViewHighScoreList1, "ViewHighScoreList1"},
        {m_ui.Help1, "Help1"},
        {m_ui.About1, "About1"}};
    for (const auto& [item, name] : items)
        item->setObjectName(QString::fromLatin1(name));
}

void Tmain::playsounds(const std::string& name) {
    m_sounds->playsounds(name);
}

void Tmain::setTally(TallyCalls* tally) {
    m_game->setTally(tally);
}

void Tmain::setTallyListWindow(std::function<void()> show) {
    m_showTallyList = std::move(show);
    m_ui.TallyList1->setEnabled(bool(m_showTallyList));
}

void Tmain::setHighScoreWindow(Thighscore* highscore) {
    m_highscore = highscore;
    m_ui.ViewHighScoreList1->setEnabled(m_highscore != nullptr);
}

void Tmain::setInfoWindows(Thelp* help, Tabout* about) {
    m_help = help;
    m_about = about;
    m_ui.Help1->setEnabled(m_help != nullptr);
    m_ui.About1->setEnabled(m_about != nullptr);
}

void Tmain::setVersionText(std::function<QString()> versionText) {
    m_versionText = std::move(versionText);
}

bool Tmain::playSounds() const {
    return m_ui.PlaySounds1->isChecked();
}

bool Tmain::checkForUpdates() const {
    return m_ui.AutomaticallyCheckforUpdates1->isChecked();
}

QString Tmain::playerName() const {
    return m_ui.edit_name->text();
}

void Tmain::loadSettings() {
    m_settings = SettingsFile(m_environment.settingsFile).load();
    move(m_settings.left, m_settings.top);
    // Grown to the board before the window exists: a window system places a new window's
    // frame where it is asked to, but a resize once it is up makes the position count for the
    // inside, which would put the title bar above the screen.
    resize(
        grownToBoard(QSize(m_settings.width, m_settings.height), menuBar()->sizeHint().height()));
    m_stored = QRect(m_settings.left, m_settings.top, m_settings.width, m_settings.height);
    m_ui.PlaySounds1->setChecked(m_settings.sounds);
    m_ui.AutomaticallyCheckforUpdates1->setChecked(m_settings.update);
    m_ui.edit_name->setText(QString::fromStdString(m_settings.name));
    m_ui.edit_aname->setText(m_ui.edit_name->text());
}

bool Tmain::saveSettings() {
    m_settings.top = y();
    m_settings.left = x();
    m_settings.width = width();
    m_settings.height = height();
    m_settings.name = m_ui.edit_name->text().toStdString();
    m_settings.sounds = m_ui.PlaySounds1->isChecked();
    m_settings.update = m_ui.AutomaticallyCheckforUpdates1->isChecked();
    try {
        SettingsFile(m_environment.settingsFile).save(m_settings);
    } catch (const SettingsWriteError& error) {
        m_environment.showMessage(QString::fromStdString(error.what()));
        return false;
    }
    return true;
}

void Tmain::showPanel(QWidget* panel) {
    panel->show();
    panel->raise();
}

void Tmain::StartGame1Click() {
    m_game->StartGame1Click();
}

void Tmain::PlaySounds1Click() {
    // QAction has already toggled the check mark.
    saveSettings();
}

void Tmain::ResetScreenLocation1Click() {
    move(layout::defaultLeft, layout::defaultTop);
    resize(layout::defaultWidth, layout::defaultHeight);
}

void Tmain::ChangeName1Click() {
    showPanel(m_ui.panel_name);
}

void Tmain::TallyList1Click() {
    if (m_showTallyList)
        m_showTallyList();
}

void Tmain::button_namedoneClick() {
    m_ui.edit_name->setText(m_ui.edit_aname->text());
    m_ui.panel_name->hide();
}

void Tmain::button_namecancelClick() {
    m_ui.panel_name->hide();
}

void Tmain::button_doneClick() {
    m_ui.panel_cleared->hide();
}

void Tmain::button_sendscoreClick() {
    if (m_ui.edit_name->text().isEmpty())
        m_ui.edit_name->setText(QStringLiteral("Guest"));
    m_submission->sendscore(m_ui.edit_name->text(), postingDateOf(),
                            QString::number(m_game->state().score));
    showPanel(m_ui.panel_wait);
}

void Tmain::button_viewhighscoresClick() {
    if (!m_highscore)
        return;
    m_highscore->loadit();
    m_highscore->showWindow();
}

void Tmain::ViewHighScoreList1Click() {
    button_viewhighscoresClick();
}

void Tmain::Help1Click() {
    if (m_help)
        m_help->showWindow();
}

void Tmain::About1Click() {
    if (m_about)
        m_about->showWindow();
}

void Tmain::image_logoClick() {
    if (m_about)
        m_about->openSite();
}

void Tmain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shownBefore)
        return;
    m_shownBefore = true;
    if (m_versionText)
        m_updater->FormShow(checkForUpdates(), m_versionText());
}

void Tmain::placeBoardPanel() {
    const QWidget* client = centralWidget();
    const double cx = client->width() * designCentreX / designClientWidth;
    const double cy = client->height() * designCentreY / designClientHeight;
    m_ui.panel_board->move(qRound(cx - boardPanelWidth / 2.0), qRound(cy - boardPanelHeight / 2.0));
}

void Tmain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // The client area never gets smaller than the board panel plus a margin. It is measured on
    // the window (what the menu bar leaves of it): the central widget keeps its minimum size
    // and is clipped instead, so it would never show the shortfall.
    const QWidget* menu = menuWidget();
    const int menuHeight = menu != nullptr && menu->isVisible() ? menu->height() : 0;
    const QSize grown = grownToBoard(size(), menuHeight);
    if (grown != size())
        resize(grown);
    placeBoardPanel();
}

QSize Tmain::grownToBoard(QSize window, int menuHeight) {
    return {qMax(window.width(), clientMinWidth),
            qMax(window.height(), clientMinHeight + menuHeight)};
}

bool Tmain::FormClose() {
    const QRect now(x(), y(), width(), height());
    if (now != m_stored) {
        // A window wider (or taller) than the work area is saved 3 pixels smaller, so it comes
        // back a little inside the screen rather than clamped to it.
        const QRect work = m_environment.workArea();
        int w = width();
        int h = height();
        if (w > work.width())
            w -= 3;
        if (h > work.height())
            h -= 3;
        resize(w, h);
        m_stored = QRect(x(), y(), w, h);
    }
    return saveSettings();
}

void Tmain::closeEvent(QCloseEvent* event) {
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

QWidget* Tmain::component(Component which) const {
    switch (which) {
    case Component::label_round:
        return m_ui.label_round;
    case Component::label_roundcleared:
        return m_ui.label_roundcleared;
    case Component::label_score:
        return m_ui.label_score;
    case Component::label_lastscore:
        return m_ui.label_lastscore;
    case Component::label_numremoved:
        return m_ui.label_numremoved;
    case Component::label_status:
        return m_ui.label_status;
    case Component::label_name:
        return m_ui.label_name;
    case Component::button_pause:
        return m_ui.button_pause;
    case Component::button_start:
        return m_ui.button_start;
    case Component::button_sendscore:
        return m_ui.button_sendscore;
    case Component::panel_cleared:
        return m_ui.panel_cleared;
    case Component::panel_paused:
        return m_ui.panel_paused;
    case Component::panel_name:
        return m_ui.panel_name;
    case Component::panel_wait:
        return m_ui.panel_wait;
    }
    return nullptr;
}

void Tmain::setText(Component which, const std::string& text) {
    const QString caption = QString::fromStdString(text);
    QWidget* widget = component(which);
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(caption);
    else if (auto* button = qobject_cast<TSelButton*>(widget))
        button->setCaption(caption);
    if (widget == m_ui.label_name)
        fitGreeting();
}

void Tmain::fitGreeting() {
    // The greeting grows with a long player name, up to the board panel's right edge, rather
    // than cutting the name off.
    const int room = m_ui.panel_board->width() - m_ui.label_name->x();
    const int needed = m_ui.label_name->fontMetrics().horizontalAdvance(m_ui.label_name->text());
    m_ui.label_name->resize(qBound(greetingWidth, needed, room), m_ui.label_name->height());
}

void Tmain::setShown(Component which, bool shown) {
    QWidget* widget = component(which);
    if (shown)
        showPanel(widget);
    else
        widget->hide();
}

void Tmain::setEnabledFlag(Component which, bool enabled) {
    // The caption buttons keep their enabled look; their own flag stops the mouse.
    if (auto* button = qobject_cast<TSelButton*>(component(which)))
        button->setEnabledFlag(enabled);
    else
        component(which)->setEnabled(enabled);
}

std::string Tmain::currentPlayerName() const {
    return m_ui.edit_name->text().toStdString();
}

void Tmain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Lines would go on falling unseen; the player comes back to a paused game and resumes it
    // with RESUME, as after a pause by hand.
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || !m_game)
        return;
    const GameState& state = m_game->state();
    if (state.gamerunning && !state.paused && m_ui.button_pause->Enabled())
        m_game->button_pauseClick();
}

void Tmain::keyPressEvent(QKeyEvent* event) {
    const auto* typing = qobject_cast<const QLineEdit*>(QApplication::focusWidget());
    const bool modified =
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) !=
        Qt::NoModifier;
    if ((typing != nullptr && typing->isVisible()) || modified) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    // Held keys repeat the cursor's moves, never a click or a pause.
    const bool once = !event->isAutoRepeat();
    switch (event->key()) {
    case Qt::Key_Left:
        m_ui.board->moveCursor(-1, 0);
        break;
    case Qt::Key_Right:
        m_ui.board->moveCursor(1, 0);
        break;
    case Qt::Key_Up:
        m_ui.board->moveCursor(0, -1);
        break;
    case Qt::Key_Down:
        m_ui.board->moveCursor(0, 1);
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (once)
            m_ui.board->pressCursor();
        break;
    case Qt::Key_P:
        if (once && m_ui.button_pause->Enabled())
            m_game->button_pauseClick();
        break;
    default:
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
}
