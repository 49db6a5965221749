#include "mainform.h"

#include "BoardView.h"
#include "ButtonComps.h"
#include "Game.h"
#include "HouseStyle.h"
#include "LbBack.h"
#include "NameBox.h"
#include "RandomSource.h"
#include "SettingsFile.h"
#include "SoundPlayer.h"
#include "TFlatPanelUnit.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QResizeEvent>
#include <QScreen>
#include <QSystemSemaphore>

namespace {

using house::darkGrey;
using house::grey;
using house::lightGrey;
using house::maroon;
using house::pixelFont;

// The size of the board panel, which the window's client area never gets smaller than (plus a
// margin of 5 pixels).
constexpr int boardPanelWidth = 510;
constexpr int boardPanelHeight = 437;
constexpr int clientMinWidth = boardPanelWidth + 5;
constexpr int clientMinHeight = boardPanelHeight + 5;
// The client area the window was designed in; the board panel keeps its centre at the same
// proportion of the client area as there.
constexpr double designClientWidth = 518;
constexpr double designClientHeight = 443;
constexpr double designCentreX = 4 + boardPanelWidth / 2.0;
constexpr double designCentreY = 3 + boardPanelHeight / 2.0;
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
    box->setFont(pixelFont("MS Sans Serif", 19));
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    box->setPalette(palette);
    return box;
}

} // namespace

Tmain::Tmain(MainEnvironment environment, QWidget* parent)
    : QMainWindow(parent), environment_(std::move(environment)) {
    if (!environment_.workArea) {
        environment_.workArea = [this] {
            const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
            return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
        };
    }
    if (!environment_.showMessage) {
        environment_.showMessage = [this](const QString& text) {
            QMessageBox::critical(this, QStringLiteral("Bloomzap"), text);
        };
    }
    buildWindow();
    buildPanels();
    buildMenus();
    FormCreate();
}

Tmain::~Tmain() {
    // The board refers to the game; let it go first.
    if (board)
        board->setgame(nullptr);
}

void Tmain::FormCreate() {
    // A system-wide name that tells other programs this one runs; it is never tested.
    lock_ = std::make_unique<QSystemSemaphore>(QString::fromLatin1(productWord), 1,
                                               QSystemSemaphore::Open);

    random_ = std::make_unique<SeededRandom>(environment_.seed ? environment_.seed() : 0);
    sounds_ = std::make_unique<SoundPlayer>(*environment_.sound,
                                            [this] { return PlaySounds1->isChecked(); });
    GameDisplay& display = *this;
    game_ = std::make_unique<Game>(*board, display, *environment_.timers, *random_);
    game_->setsounds(sounds_.get());
    board->setgame(game_.get());

    loadsettings();
    game_->state().gamerunning = false;
    sounds_->playsounds("entered");
    showPanel(panel_name);
}

void Tmain::buildWindow() {
    setWindowTitle(QStringLiteral("Bloomzap"));
    setObjectName(QStringLiteral("main"));
    setFont(pixelFont("MS Sans Serif", 11));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setAutoFillBackground(true);
    QPalette black = client->palette();
    black.setColor(QPalette::Window, Qt::black);
    client->setPalette(black);
    client->setMinimumSize(clientMinWidth, clientMinHeight);
    setCentralWidget(client);

    // Present, as on every window, but without a picture: the background stays plain black.
    LbBackground1 = new TLbBackground(client);

    panel_board = makePanel(client, "panel_board", QRect(4, 3, 510, 437), Qt::black, true);
    label_name = makeLabel(panel_board, "label_name", 3, 5, QStringLiteral("Welcome to Bloomzap!"),
                           Qt::white, pixelFont("MS Sans Serif", 13), greetingWidth, 16);

    panel_board1 = makePanel(panel_board, "panel_board1", QRect(3, 26, 505, 407), Qt::black, true);
    FlatPanel1 = makePanel(panel_board1, "FlatPanel1", QRect(22, 1, 325, 324), maroon, false);
    board = new BoardView(FlatPanel1);
    board->setObjectName(QStringLiteral("board"));
    board->move(2, 2);

    const QFont arial16 = pixelFont("Arial", 16, true);
    const QColor pink(255, 106, 181);
    const QColor lime(0, 255, 0);
    const QColor orange(255, 128, 0);
    const QColor magenta(210, 0, 210);
    constexpr int displayWidth = 140; // room for the biggest numbers right of the board
    Label8 = makeLabel(panel_board1, "Label8", 362, 1, QStringLiteral("Level:"), pink, arial16);
    label_round = makeLabel(panel_board1, "label_round", 362, 28, QStringLiteral("0"), pink,
                            arial16, displayWidth);
    Label10 = makeLabel(panel_board1, "Label10", 362, 55, QStringLiteral("Until Next Level:"), lime,
                        arial16);
    label_roundcleared = makeLabel(panel_board1, "label_roundcleared", 362, 83, QStringLiteral("0"),
                                   lime, arial16, displayWidth);
    Label6 =
        makeLabel(panel_board1, "Label6", 362, 110, QStringLiteral("Last Score:"), orange, arial16);
    label_lastscore = makeLabel(panel_board1, "label_lastscore", 362, 137, QStringLiteral("0"),
                                orange, arial16, displayWidth);
    Label2 = makeLabel(panel_board1, "Label2", 362, 189, QStringLiteral("Score:"), Qt::yellow,
                       pixelFont("Arial", 27, true));
    label_score = makeLabel(panel_board1, "label_score", 362, 223, QStringLiteral("0"), Qt::yellow,
                            pixelFont("Arial", 27, true), displayWidth);

    button_pause = makeButton(panel_board1, "button_pause", QRect(355, 260, 132, 27),
                              QStringLiteral("PAUSE GAME"), darkGrey);
    button_pause->setEnabledFlag(false);
    button_start = makeButton(panel_board1, "button_start", QRect(355, 300, 132, 27),
                              QStringLiteral("START GAME"), darkGrey);
    connect(button_pause, &TSelButton::OnClick, this, [this] { game_->button_pauseClick(); });
    connect(button_start, &TSelButton::OnClick, this, [this] { game_->button_startClick(); });

    Label4 = makeLabel(panel_board1, "Label4", 22, 333, QStringLiteral("Cleared:"), magenta,
                       arial16, 65, 0, Qt::AlignRight);
    label_numremoved = makeLabel(panel_board1, "label_numremoved", 95, 333, QStringLiteral("0"),
                                 magenta, arial16, 60);
    label_status =
        makeLabel(panel_board1, "label_status", 160, 331, QStringLiteral("Enjoy the Game!"),
                  Qt::blue, arial16, 184, 19, Qt::AlignRight);

    image_logo = new QLabel(panel_board1);
    image_logo->setObjectName(QStringLiteral("image_logo"));
    image_logo->setGeometry(71, 353, 218, 52);
    image_logo->setPixmap(QPixmap(QStringLiteral(":/pictures/logo.png")));
    image_logo->setAttribute(Qt::WA_TranslucentBackground);

    Image1 = new QLabel(panel_board1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(384, 336, 65, 67);
    Image1->setScaledContents(true);
    Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/emblem.png")));

    resize(defaultWidth, defaultHeight);
}

void Tmain::buildPanels() {
    const QFont title = pixelFont("MS Sans Serif", 19, true);
    const QFont regular19 = pixelFont("MS Sans Serif", 19);
    const QFont bold16 = pixelFont("MS Sans Serif", 16, true);
    const QFont regular16 = pixelFont("MS Sans Serif", 16);

    panel_name = makePanel(panel_board1, "panel_name", QRect(25, 56, 319, 161), maroon, false);
    makeLabel(panel_name, "label_entername", 4, 10, QStringLiteral("ENTER YOUR NAME"), lightGrey,
              title, 311, 24, Qt::AlignHCenter);
    edit_aname = makeNameBox(panel_name, "edit_aname", QRect(83, 52, 161, 32));
    button_namedone = makeButton(panel_name, "button_namedone", QRect(43, 101, 111, 36),
                                 QStringLiteral("DONE"), grey);
    button_namecancel = makeButton(panel_name, "button_namecancel", QRect(171, 101, 111, 36),
                                   QStringLiteral("CANCEL"), grey);
    connect(button_namedone, &TSelButton::OnClick, this, &Tmain::button_namedoneClick);
    connect(button_namecancel, &TSelButton::OnClick, this, &Tmain::button_namecancelClick);
    panel_name->hide();

    panel_cleared =
        makePanel(panel_board1, "panel_cleared", QRect(25, 15, 318, 288), maroon, false);
    makeLabel(panel_cleared, "label_cleared", 4, 10, QStringLiteral("YOUR CLEARED THE BOARD!"),
              lightGrey, title, 311, 24, Qt::AlignHCenter);
    makeLabel(panel_cleared, "label_yourscore", 2, 39, QStringLiteral("Your Score: "), Qt::red,
              title, 313, 24, Qt::AlignHCenter);
    makeLabel(panel_cleared, "label_entername2", 2, 67, QStringLiteral("Enter Your Name"),
              lightGrey, title, 313, 24, Qt::AlignHCenter);
    edit_name = makeNameBox(panel_cleared, "edit_name", QRect(83, 95, 161, 32));
    button_sendscore = makeButton(panel_cleared, "button_sendscore", QRect(78, 135, 172, 36),
                                  QStringLiteral("SEND SCORE"), grey);
    panel_wait = makePanel(panel_cleared, "panel_wait", QRect(2, 131, 315, 49), maroon, false);
    panel_wait->setFont(regular19);
    panel_wait->setFontColor(house::buttonFace);
    panel_wait->setCaption(QStringLiteral("Posting Score, Please Wait......"));
    panel_wait->hide();
    button_viewhighscores =
        makeButton(panel_cleared, "button_viewhighscores", QRect(78, 186, 172, 36),
                   QStringLiteral("VIEW HIGH SCORES"), darkGrey);
    button_done = makeButton(panel_cleared, "button_done", QRect(109, 235, 111, 36),
                             QStringLiteral("DONE"), grey);
    connect(button_done, &TSelButton::OnClick, this, &Tmain::button_doneClick);
    panel_cleared->hide();

    panel_update = makePanel(panel_board1, "panel_update", QRect(26, 29, 317, 161), maroon, false);
    makeLabel(panel_update, "label_updateavailable", -1, 10, QStringLiteral("Update Available"),
              lightGrey, title, 327, 24, Qt::AlignHCenter);
    makeLabel(panel_update, "label_updatenow", 2, 47,
              QStringLiteral("Would you like to update now?"), lightGrey, bold16, 327, 24,
              Qt::AlignHCenter);
    button_update = makeButton(panel_update, "button_update", QRect(43, 93, 111, 36),
                               QStringLiteral("UPDATE"), grey);
    button_updatecancel = makeButton(panel_update, "button_updatecancel", QRect(171, 93, 111, 36),
                                     QStringLiteral("CANCEL"), grey);
    connect(button_updatecancel, &TSelButton::OnClick, panel_update, &QWidget::hide);
    label_update = makeLabel(panel_update, "label_update", 1, 161 - 21, QString(), lightGrey,
                             regular16, 315, 20, Qt::AlignHCenter);
    panel_update->hide();

    panel_paused = makePanel(panel_board1, "panel_paused", QRect(22, 1, 325, 324), maroon, false);
    makeLabel(panel_paused, "label_paused", 1, 129, QStringLiteral("GAME IS PAUSED"),
              QColor(0, 255, 0), regular19, 323, 24, Qt::AlignHCenter);
    button_resume = makeButton(panel_paused, "button_resume", QRect(97, 172, 132, 27),
                               QStringLiteral("RESUME"), darkGrey);
    connect(button_resume, &TSelButton::OnClick, this, [this] { game_->button_resumeClick(); });
    panel_paused->hide();
}

void Tmain::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    StartGame1 = file->addAction(QStringLiteral("Start Game"), this, &Tmain::StartGame1Click);
    StartGame1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator();
    Exit1 = file->addAction(QStringLiteral("Exit"), this, &QWidget::close);

    QMenu* options = menuBar()->addMenu(QStringLiteral("Options"));
    PlaySounds1 = options->addAction(QStringLiteral("Play Sounds"));
    PlaySounds1->setCheckable(true);
    PlaySounds1->setChecked(true);
    connect(PlaySounds1, &QAction::triggered, this, &Tmain::PlaySounds1Click);
    ResetScreenLocation1 = options->addAction(QStringLiteral("Reset Screen Location"), this,
                                              &Tmain::ResetScreenLocation1Click);
    ChangeName1 =
        options->addAction(QStringLiteral("Change  Name"), this, &Tmain::ChangeName1Click);
    // The check mark toggles on a click (QAction does that itself) and is saved at close.
    AutomaticallyCheckforUpdates1 =
        options->addAction(QStringLiteral("Automatically Check for Updates"));
    AutomaticallyCheckforUpdates1->setCheckable(true);
    AutomaticallyCheckforUpdates1->setChecked(true);

    QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
    TallyList1 = view->addAction(QStringLiteral("Tally List"), this, &Tmain::TallyList1Click);
    TallyList1->setEnabled(false);
    ViewHighScoreList1 = view->addAction(QStringLiteral("View High Score List"));
    ViewHighScoreList1->setEnabled(false);

    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    Help1 = help->addAction(QStringLiteral("Help"));
    Help1->setShortcut(QKeySequence(Qt::Key_F1));
    Help1->setEnabled(false);
    help->addSeparator();
    About1 = help->addAction(QStringLiteral("About"));
    About1->setEnabled(false);
}

void Tmain::settally(TallyCalls* tally) {
    game_->settally(tally);
}

void Tmain::setTallyListWindow(std::function<void()> show) {
    showTallyList_ = std::move(show);
    TallyList1->setEnabled(bool(showTallyList_));
}

bool Tmain::playSounds() const {
    return PlaySounds1->isChecked();
}

bool Tmain::checkForUpdates() const {
    return AutomaticallyCheckforUpdates1->isChecked();
}

QString Tmain::playerName() const {
    return edit_name->text();
}

void Tmain::loadsettings() {
    settings_ = SettingsFile(environment_.settingsFile).load();
    move(settings_.left, settings_.top);
    resize(settings_.width, settings_.height);
    stored_ = QRect(settings_.left, settings_.top, settings_.width, settings_.height);
    PlaySounds1->setChecked(settings_.sounds);
    AutomaticallyCheckforUpdates1->setChecked(settings_.update);
    edit_name->setText(QString::fromStdString(settings_.name));
    edit_aname->setText(edit_name->text());
}

bool Tmain::savesettings() {
    settings_.top = y();
    settings_.left = x();
    settings_.width = width();
    settings_.height = height();
    settings_.name = edit_name->text().toStdString();
    settings_.sounds = PlaySounds1->isChecked();
    settings_.update = AutomaticallyCheckforUpdates1->isChecked();
    try {
        SettingsFile(environment_.settingsFile).save(settings_);
    } catch (const SettingsWriteError& error) {
        environment_.showMessage(QString::fromStdString(error.what()));
        return false;
    }
    return true;
}

void Tmain::showPanel(QWidget* panel) {
    panel->show();
    panel->raise();
}

void Tmain::StartGame1Click() {
    game_->StartGame1Click();
}

void Tmain::PlaySounds1Click() {
    // QAction has already toggled the check mark.
    savesettings();
}

void Tmain::ResetScreenLocation1Click() {
    move(3, 3);
    resize(defaultWidth, defaultHeight);
}

void Tmain::ChangeName1Click() {
    showPanel(panel_name);
}

void Tmain::TallyList1Click() {
    if (showTallyList_)
        showTallyList_();
}

void Tmain::button_namedoneClick() {
    edit_name->setText(edit_aname->text());
    panel_name->hide();
}

void Tmain::button_namecancelClick() {
    panel_name->hide();
}

void Tmain::button_doneClick() {
    panel_cleared->hide();
}

void Tmain::placeBoardPanel() {
    const QWidget* client = centralWidget();
    const double cx = client->width() * designCentreX / designClientWidth;
    const double cy = client->height() * designCentreY / designClientHeight;
    panel_board->move(qRound(cx - boardPanelWidth / 2.0), qRound(cy - boardPanelHeight / 2.0));
}

void Tmain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // The client area never gets smaller than the board panel plus a margin. It is measured on
    // the window (what the menu bar leaves of it): the central widget keeps its minimum size
    // and is clipped instead, so it would never show the shortfall.
    const QWidget* menu = menuWidget();
    const int menuHeight = menu != nullptr && menu->isVisible() ? menu->height() : 0;
    const int growHeight = clientMinHeight - (height() - menuHeight);
    const int growWidth = clientMinWidth - width();
    if (growHeight > 0 || growWidth > 0)
        resize(width() + qMax(0, growWidth), height() + qMax(0, growHeight));
    placeBoardPanel();
}

bool Tmain::FormClose() {
    const QRect now(x(), y(), width(), height());
    if (now != stored_) {
        // A window wider (or taller) than the work area is saved 3 pixels smaller, so it comes
        // back a little inside the screen rather than clamped to it.
        const QRect work = environment_.workArea();
        int w = width();
        int h = height();
        if (w > work.width())
            w -= 3;
        if (h > work.height())
            h -= 3;
        resize(w, h);
        stored_ = QRect(x(), y(), w, h);
    }
    return savesettings();
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
        return label_round;
    case Component::label_roundcleared:
        return label_roundcleared;
    case Component::label_score:
        return label_score;
    case Component::label_lastscore:
        return label_lastscore;
    case Component::label_numremoved:
        return label_numremoved;
    case Component::label_status:
        return label_status;
    case Component::label_name:
        return label_name;
    case Component::button_pause:
        return button_pause;
    case Component::button_start:
        return button_start;
    case Component::button_sendscore:
        return button_sendscore;
    case Component::panel_cleared:
        return panel_cleared;
    case Component::panel_paused:
        return panel_paused;
    case Component::panel_name:
        return panel_name;
    case Component::panel_wait:
        return panel_wait;
    }
    return nullptr;
}

void Tmain::settext(Component which, const std::string& text) {
    const QString caption = QString::fromStdString(text);
    QWidget* widget = component(which);
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(caption);
    else if (auto* button = qobject_cast<TSelButton*>(widget))
        button->setCaption(caption);
    if (widget == label_name)
        fitGreeting();
}

void Tmain::fitGreeting() {
    // The greeting grows with a long player name, up to the board panel's right edge, rather
    // than cutting the name off.
    const int room = panel_board->width() - label_name->x();
    const int needed = label_name->fontMetrics().horizontalAdvance(label_name->text());
    label_name->resize(qBound(greetingWidth, needed, room), label_name->height());
}

void Tmain::setshown(Component which, bool shown) {
    QWidget* widget = component(which);
    if (shown)
        showPanel(widget);
    else
        widget->hide();
}

void Tmain::setenabled(Component which, bool enabled) {
    // The caption buttons keep their enabled look; their own flag stops the mouse.
    if (auto* button = qobject_cast<TSelButton*>(component(which)))
        button->setEnabledFlag(enabled);
    else
        component(which)->setEnabled(enabled);
}

std::string Tmain::playername() const {
    return edit_name->text().toStdString();
}
