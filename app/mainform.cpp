#include "app/mainform.h"

#include "app/MainAccessible.h"
#include "app/MainDisplay.h"
#include "app/MainLayout.h"
#include "app/NameBox.h"
#include "app/ReplayWatch.h"
#include "app/SettingsFile.h"
#include "app/SoundPlayer.h"
#include "app/Updater.h"
#include "app/WindowLayout.h"
#include "common/SiteNames.h"
#include "engine/EngineClock.h"
#include "engine/Game.h"
#include "engine/GameRecorder.h"
#include "engine/RandomSource.h"
#include "engine/view/BoardView.h"
#include "info/aboutform.h"
#include "info/helpform.h"
#include "online/DailyTicket.h"
#include "online/PostingDate.h"
#include "online/ScoreSubmission.h"
#include "online/VerifiedGames.h"
#include "online/highscoreform.h"
#include "widgets/ButtonComps.h"
#include "widgets/ClickLabel.h"
#include "widgets/HouseStyle.h"
#include "widgets/PlayerMessage.h"
#include "widgets/TFlatPanelUnit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QSystemSemaphore>

#include <algorithm>

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
    FormCreate();
    // The update check's web clients, on the server the settings name.
    m_updater = new Updater(this,
                            {m_parts.panel_update, m_parts.button_updateyes,
                             m_parts.button_updatecancel, m_parts.label_update},
                            m_settings.site, m_environment.updateKey, m_environment.updateProcess,
                            m_environment.showMessage);
    // The score posting, on the same server.
    m_submission = new ScoreSubmission(*m_environment.timers, m_settings.site, this);
    // Tickets and game records, on the same server.
    m_verified = new VerifiedGames(m_settings.site, m_environment.verifiedGames, this);
    // The Daily Bloom's ticket, asked for by its menu item.
    m_daily = new DailyTicket(m_settings.site, m_environment.verifiedGames, this);
    // Replays from the same server, on real time unless the window's clock is moved by hand.
    m_watch = new ReplayWatch(
        {m_board, m_parts.panel_watch, m_parts.label_watch, m_parts.label_watchscore,
         m_parts.button_watch1x, m_parts.button_watch4x, m_parts.button_watchpause,
         m_parts.button_watchclose},
        m_settings.site, !m_environment.clockToNow, m_environment.showMessage, this);
    connectHandlers();
}

Tmain::~Tmain() {
    // An update under way still uses the offer panel while it winds down.
    delete m_updater;
    // A replay's game goes before the board that shows it.
    delete m_watch;
    // The board refers to the game; let it go first.
    m_board->setGame(nullptr);
}

void Tmain::buildWindow() {
    setWindowTitle(QStringLiteral("Bloomzap"));
    setObjectName(QStringLiteral("main"));
    setFont(house::sansSerif(11));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setAutoFillBackground(true);
    QPalette black = client->palette();
    black.setColor(QPalette::Window, Qt::black);
    client->setPalette(black);
    client->setMinimumSize(layout::clientMinWidth, layout::clientMinHeight);
    setCentralWidget(client);
    mainlayout::buildClient(*client, m_parts);
    mainlayout::buildMenus(*menuBar(), m_parts);
    mainaccessible::describe(*client, m_parts);
    m_display = std::make_unique<MainDisplay>(m_parts);
    m_board = m_parts.board;
    resize(layout::defaultWidth, layout::defaultHeight);
}

void Tmain::FormCreate() {
    // A system-wide name that tells other programs this one runs; it is never tested.
    m_lock = std::make_unique<QSystemSemaphore>(QString::fromLatin1(site::productWord), 1,
                                                QSystemSemaphore::Open);

    m_random = std::make_unique<SeededRandom>(m_environment.seed ? m_environment.seed() : 0);
    m_sounds = std::make_unique<SoundPlayer>(*m_environment.sound, [this] { return playSounds(); });
    m_game = std::make_unique<Game>(*m_board, *m_display, *m_environment.timers, *m_random);
    m_game->setSounds(m_sounds.get());
    m_recorder = std::make_unique<GameRecorder>(*m_game, *m_environment.timers, *m_random);
    m_recorder->setCatchUp(m_environment.clockToNow);
    m_recorder->setTickets([this] { return takeTicket(); });
    // The next game's ticket is fetched while this game's score is looked at.
    m_recorder->onGameOver([this] { m_verified->fetchTicket(); });
    m_game->setObserver(m_recorder.get());
    m_board->setGame(m_game.get());

    loadSettings();
    m_game->state().gamerunning = false;
    playsounds("entered");
    showPanel(m_parts.panel_name);
}

void Tmain::connectHandlers() {
    const std::pair<TSelButton*, void (Tmain::*)()> clicks[] = {
        {m_parts.button_namedone, &Tmain::button_namedoneClick},
        {m_parts.button_namecancel, &Tmain::button_namecancelClick},
        {m_parts.button_sendscore, &Tmain::button_sendscoreClick},
        {m_parts.button_viewhighscores, &Tmain::button_viewhighscoresClick},
        {m_parts.button_done, &Tmain::button_doneClick}};
    for (const auto& [button, handler] : clicks) {
        connect(button, &TSelButton::OnClick, this, handler);
    }
    connect(m_parts.button_pause, &TSelButton::OnClick, this,
            [this] { m_game->button_pauseClick(); });
    connect(m_parts.button_resume, &TSelButton::OnClick, this,
            [this] { m_game->button_resumeClick(); });
    // The game starts for the name on the game-over panel, and its score goes to the tally under
    // the name the field holds when it ends.
    connect(m_parts.button_start, &TSelButton::OnClick, this,
            [this] { m_game->button_startClick(playerName().toStdString()); });
    connect(m_parts.edit_name, &QLineEdit::textChanged, this,
            [this](const QString& name) { m_game->playerRenamed(name.toStdString()); });
    // A game is played on the board: the keys go there, not to START GAME again.
    connect(m_parts.button_start, &TSelButton::OnClick, m_board,
            [this] { m_board->setFocus(Qt::OtherFocusReason); });
    connect(m_parts.image_logo, &ClickLabel::clicked, this, &Tmain::image_logoClick);
    for (TFlatPanel* panel : {m_parts.panel_name, m_parts.panel_cleared, m_parts.panel_update,
                              m_parts.panel_paused, m_parts.panel_watch}) {
        m_panels.append(panel);
        panel->installEventFilter(this);
    }
    // F10 opens the menus, as Alt does.
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this, [this] {
        if (!menuBar()->actions().isEmpty()) {
            menuBar()->setActiveAction(menuBar()->actions().constFirst());
        }
    });
    // Return in the name entry is its DONE.
    connect(m_parts.edit_aname, &QLineEdit::returnPressed, this, &Tmain::button_namedoneClick);
    connect(m_parts.button_updateyes, &TSelButton::OnClick, m_updater,
            [this] { m_updater->button_updateyesClick(); });
    connect(m_parts.button_updatecancel, &TSelButton::OnClick, m_updater,
            [this] { m_updater->button_updatecancelClick(); });

    // The check mark of "Automatically Check for Updates" toggles by itself and is saved at close.
    const std::pair<QAction*, void (Tmain::*)()> items[] = {
        {m_parts.StartGame1, &Tmain::StartGame1Click},
        {m_parts.PlaySounds1, &Tmain::PlaySounds1Click},
        {m_parts.ResetScreenLocation1, &Tmain::ResetScreenLocation1Click},
        {m_parts.ChangeName1, &Tmain::ChangeName1Click},
        {m_parts.TallyList1, &Tmain::TallyList1Click},
        {m_parts.ViewHighScoreList1, &Tmain::ViewHighScoreList1Click},
        {m_parts.DailyBloom1, &Tmain::DailyBloom1Click},
        {m_parts.ViewDailyBloomList1, &Tmain::ViewDailyBloomList1Click},
        {m_parts.Help1, &Tmain::Help1Click},
        {m_parts.About1, &Tmain::About1Click}};
    for (const auto& [item, handler] : items) {
        connect(item, &QAction::triggered, this, handler);
    }
    connect(m_parts.Exit1, &QAction::triggered, this, &QWidget::close);

    connect(m_daily, &DailyTicket::ticketArrived, this, &Tmain::dailyTicketArrived);
    connect(m_daily, &DailyTicket::ticketFailed, this, [this](DailyTicket::Failure failure) {
        m_environment.showMessage(
            failure == DailyTicket::Failure::unreachable
                ? QCoreApplication::translate(
                      "Tmain", "No Daily Bloom ticket: the score server could not be reached.")
                : QCoreApplication::translate(
                      "Tmain", "No Daily Bloom ticket: the score server did not hand one out."));
    });
    connect(m_watch, &ReplayWatch::started, this, &Tmain::watchStarted);
    connect(m_watch, &ReplayWatch::ended, this, &Tmain::watchEnded);

    connect(m_submission, &ScoreSubmission::waitCaptionChanged, m_parts.panel_wait,
            &TFlatPanel::setCaption);
    // The wait panel stays over SEND SCORE after a failure.
    connect(m_submission, &ScoreSubmission::postingFailed, this,
            [this](const QString& message) { m_environment.showMessage(message); });
    connect(m_submission, &ScoreSubmission::postingAnswered, this, [this] {
        m_parts.panel_cleared->hide();
        button_viewhighscoresClick();
    });
    connect(m_submission, &ScoreSubmission::postingAnswered, m_verified,
            &VerifiedGames::postingAnswered);
}

void Tmain::playsounds(const std::string& name) {
    m_sounds->playsounds(name);
}

void Tmain::setTally(TallyCalls* tally) {
    m_game->setTally(tally);
}

std::optional<std::string> Tmain::takeTicket() {
    std::optional<std::string> daily = std::exchange(m_dailyTicket, std::nullopt);
    m_display->setDailyDay(daily ? std::exchange(m_dailyDay, QString()) : QString());
    if (daily) {
        return daily;
    }
    return m_verified->takeTicket();
}

void Tmain::dailyTicketArrived(const QString& line, const QString& day) {
    m_dailyTicket = line.toStdString();
    m_dailyDay = day;
    // Asked for before a watch began: the watch ends (the game under it comes back) so that the
    // daily game is not played beneath the replay.
    if (m_watch->watching()) {
        m_watch->close();
    }
    // As the menu's Start Game: a game under way is cut short.
    StartGame1Click();
    m_board->setFocus(Qt::OtherFocusReason);
}

void Tmain::setTallyListWindow(std::function<void()> show) {
    m_showTallyList = std::move(show);
    m_parts.TallyList1->setEnabled(bool(m_showTallyList));
}

void Tmain::setHighScoreWindow(Thighscore* highscore) {
    if (m_highscore != nullptr) {
        disconnect(m_highscore, &Thighscore::watchAsked, m_watch, nullptr);
    }
    m_highscore = highscore;
    if (m_highscore != nullptr) {
        connect(m_highscore, &Thighscore::watchAsked, m_watch, &ReplayWatch::watch);
    }
    m_parts.ViewHighScoreList1->setEnabled(m_highscore != nullptr);
    m_parts.ViewDailyBloomList1->setEnabled(m_highscore != nullptr);
}

void Tmain::setInfoWindows(Thelp* help, Tabout* about) {
    m_help = help;
    m_about = about;
    m_parts.Help1->setEnabled(m_help != nullptr);
    m_parts.About1->setEnabled(m_about != nullptr);
}

void Tmain::setVersionText(std::function<QString()> versionText) {
    m_versionText = std::move(versionText);
}

bool Tmain::playSounds() const {
    return m_parts.PlaySounds1->isChecked();
}

bool Tmain::checkForUpdates() const {
    return m_parts.AutomaticallyCheckforUpdates1->isChecked();
}

QString Tmain::playerName() const {
    return m_parts.edit_name->text();
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
    m_parts.PlaySounds1->setChecked(m_settings.sounds);
    m_parts.AutomaticallyCheckforUpdates1->setChecked(m_settings.update);
    m_parts.edit_name->setText(QString::fromStdString(m_settings.name));
    m_parts.edit_aname->setText(m_parts.edit_name->text());
}

bool Tmain::saveSettings() {
    m_settings.top = y();
    m_settings.left = x();
    m_settings.width = width();
    m_settings.height = height();
    m_settings.name = m_parts.edit_name->text().toStdString();
    m_settings.sounds = m_parts.PlaySounds1->isChecked();
    m_settings.update = m_parts.AutomaticallyCheckforUpdates1->isChecked();
    try {
        SettingsFile(m_environment.settingsFile).save(m_settings);
    } catch (const SettingsWriteError& error) {
        m_environment.showMessage(QCoreApplication::translate("Tmain", "Unable to write to %1")
                                      .arg(QString::fromStdString(error.file().string())));
        return false;
    }
    return true;
}

void Tmain::showPanel(QWidget* panel) {
    panel->show();
    panel->raise();
}

bool Tmain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide) && watched->isWidgetType()) {
        m_board->coverChanged();
        // A window shown again or minimised brings its panels back as they were.
        if (!event->spontaneous()) {
            focusTopPanel(type == QEvent::Show ? static_cast<QWidget*>(watched) : nullptr);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tmain::focusTopPanel(QWidget* shown) {
    // The first control of a panel in the order Tab takes them.
    const auto firstControl = [](QWidget* panel) -> QWidget* {
        for (QWidget* w = panel->nextInFocusChain(); w != panel; w = w->nextInFocusChain()) {
            if (panel->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) != 0 &&
                w->isVisibleTo(panel) && w->isEnabled()) {
                return w;
            }
        }
        return nullptr;
    };
    QWidget* target = shown != nullptr ? firstControl(shown) : nullptr;
    if (shown == nullptr) {
        // Later siblings lie on top; the panel shown last was raised.
        const QObjectList& siblings = m_parts.panel_board1->children();
        for (auto it = siblings.crbegin(); it != siblings.crend() && target == nullptr; ++it) {
            auto* panel = qobject_cast<QWidget*>(*it);
            if (panel != nullptr && panel->isVisible() && m_panels.contains(panel)) {
                target = firstControl(panel);
            }
        }
    }
    (target != nullptr ? target : m_board)->setFocus(Qt::OtherFocusReason);
}

void Tmain::watchStarted() {
    if (m_beforeWatch) {
        return; // already set aside
    }
    BeforeWatch before;
    if (m_environment.clockToNow) {
        m_environment.clockToNow();
    }
    const GameState& state = m_game->state();
    if (state.gamerunning && !state.paused) {
        m_game->button_pauseClick();
        before.resume = true;
    }
    for (QWidget* panel : std::as_const(m_panels)) {
        if (panel != m_parts.panel_watch && panel->isVisible()) {
            before.hidden.append(panel);
            panel->hide();
        }
    }
    before.startEnabled = m_parts.button_start->Enabled();
    before.pauseEnabled = m_parts.button_pause->Enabled();
    m_parts.button_start->setEnabledFlag(false);
    m_parts.button_pause->setEnabledFlag(false);
    // Every way of starting a game (the items of Start Game's menu but Exit) waits for the end.
    if (auto* menu = qobject_cast<QMenu*>(m_parts.StartGame1->parent())) {
        for (QAction* item : menu->actions()) {
            if (item != m_parts.Exit1 && !item->isSeparator() && item->isEnabled()) {
                item->setEnabled(false);
                before.disabledItems.append(item);
            }
        }
    }
    m_beforeWatch = std::move(before);
}

void Tmain::watchEnded() {
    if (!m_beforeWatch) {
        return;
    }
    const BeforeWatch before = std::move(*m_beforeWatch);
    m_beforeWatch.reset();
    m_board->setGame(m_game.get());
    m_game->boardPaint();
    m_parts.button_start->setEnabledFlag(before.startEnabled);
    m_parts.button_pause->setEnabledFlag(before.pauseEnabled);
    for (QAction* item : before.disabledItems) {
        item->setEnabled(true);
    }
    if (before.resume) {
        if (m_environment.clockToNow) {
            m_environment.clockToNow();
        }
        m_game->button_resumeClick();
    }
    for (QWidget* panel : before.hidden) {
        // The pause panel went with the pause the watch made.
        if (!(before.resume && panel == m_parts.panel_paused)) {
            showPanel(panel);
        }
    }
    if (before.hidden.isEmpty()) {
        m_board->setFocus(Qt::OtherFocusReason);
    }
}

void Tmain::StartGame1Click() {
    m_game->StartGame1Click(playerName().toStdString());
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
    showPanel(m_parts.panel_name);
}

void Tmain::TallyList1Click() {
    if (m_showTallyList) {
        m_showTallyList();
    }
}

void Tmain::button_namedoneClick() {
    m_parts.edit_name->setText(m_parts.edit_aname->text());
    m_parts.panel_name->hide();
}

void Tmain::button_namecancelClick() {
    m_parts.panel_name->hide();
}

void Tmain::button_doneClick() {
    m_parts.panel_cleared->hide();
}

void Tmain::button_sendscoreClick() {
    if (m_parts.edit_name->text().isEmpty()) {
        m_parts.edit_name->setText(QStringLiteral("Guest"));
    }
    // The watchdog counts from now.
    if (m_environment.clockToNow) {
        m_environment.clockToNow();
    }
    const QString date = postingDateOf();
    m_submission->sendscore(m_parts.edit_name->text(), date,
                            QString::number(m_game->state().score));
    if (std::optional<GameRecord> record = m_recorder->finished();
        record && record->score == m_game->state().score) {
        record->name = m_parts.edit_name->text().toStdString();
        record->date = date.toStdString();
        m_verified->scorePosted(std::move(*record));
    }
    showPanel(m_parts.panel_wait);
}

void Tmain::button_viewhighscoresClick() {
    if (!m_highscore) {
        return;
    }
    m_highscore->loadit();
    m_highscore->showWindow();
}

void Tmain::ViewHighScoreList1Click() {
    button_viewhighscoresClick();
}

void Tmain::DailyBloom1Click() {
    // A click while the ticket is on its way starts nothing more.
    m_daily->fetch();
}

void Tmain::ViewDailyBloomList1Click() {
    if (!m_highscore) {
        return;
    }
    m_highscore->loadPage(site::dailyPagePath);
    m_highscore->showWindow();
}

void Tmain::Help1Click() {
    if (m_help) {
        m_help->showWindow();
    }
}

void Tmain::About1Click() {
    if (m_about) {
        m_about->showWindow();
    }
}

void Tmain::image_logoClick() {
    if (m_about) {
        m_about->openSite();
    }
}

void Tmain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shownBefore) {
        return;
    }
    m_shownBefore = true;
    m_verified->fetchTicket();
    if (m_versionText) {
        m_updater->FormShow(checkForUpdates(), m_versionText());
    }
}

void Tmain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // The client area never gets smaller than the board panel plus a margin. It is measured on
    // the window (what the menu bar leaves of it): the central widget keeps its minimum size
    // and is clipped instead, so it would never show the shortfall.
    const QWidget* menu = menuWidget();
    const int menuHeight = menu != nullptr && menu->isVisible() ? menu->height() : 0;
    const QSize grown = grownToBoard(size(), menuHeight);
    if (grown != size()) {
        resize(grown);
    }
    m_parts.panel_board->move(layout::boardPanelLeftIn(centralWidget()->width()),
                              layout::boardPanelTopIn(centralWidget()->height()));
}

QSize Tmain::grownToBoard(QSize window, int menuHeight) {
    return {qMax(window.width(), layout::clientMinWidth),
            qMax(window.height(), layout::clientMinHeight + menuHeight)};
}

bool Tmain::FormClose() {
    const QRect now(x(), y(), width(), height());
    if (now != m_stored) {
        // A window wider (or taller) than the work area is saved 3 pixels smaller, so it comes
        // back a little inside the screen rather than clamped to it.
        const QRect work = m_environment.workArea();
        int w = width();
        int h = height();
        if (w > work.width()) {
            w -= 3;
        }
        if (h > work.height()) {
            h -= 3;
        }
        resize(w, h);
        m_stored = QRect(x(), y(), w, h);
    }
    return saveSettings();
}

void Tmain::closeEvent(QCloseEvent* event) {
    if (FormClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void Tmain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // A player coming back finds a fresh ticket for the next game.
    if (event->type() == QEvent::ActivationChange && m_verified && isActiveWindow()) {
        m_verified->fetchTicket();
    }
    // Lines would go on falling unseen; the player comes back to a paused game and resumes it
    // with RESUME, as after a pause by hand.
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || !m_game) {
        return;
    }
    const GameState& state = m_game->state();
    if (state.gamerunning && !state.paused && m_parts.button_pause->Enabled()) {
        m_game->button_pauseClick();
    }
}

void Tmain::keyPressEvent(QKeyEvent* event) {
    const auto* typing = qobject_cast<const QLineEdit*>(QApplication::focusWidget());
    const bool modified =
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) !=
        Qt::NoModifier;
    if ((typing != nullptr && typing->isVisible()) || modified || m_watch->watching()) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    // Held keys repeat the cursor's moves, never a click or a pause.
    const bool once = !event->isAutoRepeat();
    const int key = event->key();
    const std::pair<int, QPoint> arrows[] = {{Qt::Key_Left, {-1, 0}},
                                             {Qt::Key_Right, {1, 0}},
                                             {Qt::Key_Up, {0, -1}},
                                             {Qt::Key_Down, {0, 1}}};
    const auto arrow = std::find_if(std::begin(arrows), std::end(arrows),
                                    [key](const auto& entry) { return entry.first == key; });
    if (arrow != std::end(arrows)) {
        m_board->moveCursor(arrow->second.x(), arrow->second.y());
    } else if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (once) {
            m_board->pressCursor();
        }
    } else if (key == Qt::Key_P) {
        if (once && m_parts.button_pause->Enabled()) {
            m_game->button_pauseClick();
        }
    } else {
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
}
