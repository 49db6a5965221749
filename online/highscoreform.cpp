#include "online/highscoreform.h"

#include "common/SiteNames.h"
#include "online/HTTPGet.h"
#include "online/HtmlViewer.h"
#include "online/PageSanitiser.h"
#include "online/WatchLink.h"
#include "widgets/ButtonComps.h"
#include "widgets/EmbeddedPicture.h"
#include "widgets/HouseStyle.h"
#include "widgets/LbBack.h"
#include "widgets/TFlatPanelUnit.h"
#include "widgets/URL.h"

#include <QLabel>
#include <QScreen>
#include <QStringDecoder>
#include <QTimer>

#include <utility>

namespace {

const QColor viewerGrey(72, 72, 72);
const QColor viewerText(255, 255, 0);
const QColor silver(192, 192, 192);

// The page's bytes as text: the character set the page declares (UTF-8 when it names none),
// Latin-1 when the bytes are not valid in it.
QString pageText(const std::string& bytes) {
    const QByteArrayView data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QStringDecoder decoder = QStringDecoder::decoderForHtml(data);
    if (decoder.isValid()) {
        QString text = decoder.decode(data);
        if (!decoder.hasError()) {
            return text;
        }
    }
    return QString::fromLatin1(data);
}

} // namespace

Thighscore::Thighscore(QWidget* owner, std::string siteRoot)
    : QWidget(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      m_siteRoot(std::move(siteRoot)) {
    setObjectName(QStringLiteral("highscore"));
    setWindowTitle(tr("Bloomzap - High Scores"));
    setFixedSize(603, 561);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    setFont(house::pixelFont("MS Sans Serif", 11));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(15, 8, 79, 83);
    Image1->setPixmap(embedded::pixmap(QStringLiteral(":/pictures/emblem.png"), "png"));
    Image1->setAccessibleName(tr("Bloomzap emblem"));

    Label1 = new QLabel(QStringLiteral("Varnok Software"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(house::pixelFont("MS Sans Serif", 11));
    QPalette labelPalette = Label1->palette();
    labelPalette.setColor(QPalette::WindowText, house::lightGrey);
    Label1->setPalette(labelPalette);
    Label1->move(8, 544);
    Label1->adjustSize();

    button_done = new TSelButton(this);
    button_done->setObjectName(QStringLiteral("button_done"));
    button_done->setGeometry(498, 521, 95, 32);
    button_done->setCaption(tr("DONE"));
    house::styleButton(button_done, house::darkGrey, 16);
    connect(button_done, &TSelButton::OnClick, this, &Thighscore::button_doneClick);
    button_done->setAccessibleDescription(tr("Closes this window"));

    panel_main = new TFlatPanel(this);
    panel_main->setObjectName(QStringLiteral("panel_main"));
    panel_main->setGeometry(112, 8, 481, 507);
    panel_main->setColor(house::maroon);
    panel_main->setColorHighLight(Qt::white);
    panel_main->setColorShadow(Qt::white);
    panel_main->setAccessibleName(tr("High scores"));
    panel_main->setAccessibleDescription(tr("The online high-score list"));

    displayhtml = new HtmlViewer(panel_main);
    displayhtml->setObjectName(QStringLiteral("displayhtml"));
    displayhtml->setGeometry(1, 1, 479, 505);
    QPalette viewer = displayhtml->palette();
    viewer.setColor(QPalette::Base, viewerGrey);
    viewer.setColor(QPalette::Text, viewerText);
    viewer.setColor(QPalette::Link, house::maroon);
    viewer.setColor(QPalette::LinkVisited, silver);
    displayhtml->setPalette(viewer);
    displayhtml->setFont(house::pixelFont("Times New Roman", 16));
    displayhtml->document()->setDefaultStyleSheet(
        QStringLiteral("pre, code, tt, kbd, samp { font-family: \"Arial\"; }"));
    connect(displayhtml, &HtmlViewer::hotSpotClick, this, &Thighscore::displayhtmlHotSpotClick);
    displayhtml->setAccessibleName(tr("High-score list"));
    displayhtml->setAccessibleDescription(
        tr("Its links open in your browser; a watch link plays the game on the board"));

    URL1 = new TURL(this);
    URL1->setObjectName(QStringLiteral("URL1"));
    URL1->setURLType(utnone);

    LbBackground1 = new TLbBackground(this);
    LbBackground1->setObjectName(QStringLiteral("LbBackground1"));

    getit = new THTTPGet(this);
    getit->setObjectName(QStringLiteral("getit"));
    getit->setOnDoneString(
        [this](QObject* sender, const std::string& result) { getitDoneString(sender, result); });
    // A load that failed (no server, a deadline passed) while the window was asked for again
    // is tried once more, once it has ended.
    getit->setOnError([this](QObject*) {
        if (std::exchange(m_loadAgain, false)) {
            QTimer::singleShot(0, this, [this] { loadPage(m_page); });
        }
    });

    FormCreate();
}

void Thighscore::FormCreate() {
    // No tiling: the window shows its plain black.
    LbBackground1->setImage(QImage());
}

void Thighscore::loadit() {
    loadPage(site::highScorePath);
}

void Thighscore::loadPage(std::string_view path) {
    m_page = path;
    if (getit->busy()) {
        m_loadAgain = true;
        return;
    }
    getit->setPostQuery(std::string());
    getit->setURL(m_siteRoot + m_page);
    getit->FetchString();
}

void Thighscore::getitDoneString(QObject*, const std::string& Result) {
    // Another page was asked for while this one came: that one is shown instead.
    if (std::exchange(m_loadAgain, false) && getit->URL() != m_siteRoot + m_page) {
        QTimer::singleShot(0, this, [this] { loadPage(m_page); });
        return;
    }
    // Far over the viewer's limit in any character set: not even decoded. A refused page is a
    // failed load; the window keeps what it showed.
    if (Result.size() > 4 * htmlpage::PageLimits().maxBytes) {
        return;
    }
    if (displayhtml->loadDocument(pageText(Result))) {
        m_pageAddress = getit->URL();
    }
}

void Thighscore::showWindow() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
}

void Thighscore::displayhtmlHotSpotClick(const QString& SRC) {
    const QString page = QString::fromStdString(
        m_pageAddress.empty() ? m_siteRoot + std::string(site::highScorePath) : m_pageAddress);
    const WatchLink link =
        classifyWatchLink(QUrl(page), SRC, QUrl(QString::fromStdString(m_siteRoot)));
    if (link.kind == WatchLink::Kind::watch) {
        emit watchAsked(link.id);
        return;
    }
    if (link.kind == WatchLink::Kind::refused) {
        return;
    }
    URL1->setURL(SRC);
    URL1->OpenLink();
}

void Thighscore::button_doneClick() {
    hide();
}

void Thighscore::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_placed) {
        return;
    }
    m_placed = true;
    // Centred on the desktop the first time; afterwards where the player left it.
    if (const QScreen* desktop = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(desktop->availableGeometry().center());
        move(frame.topLeft());
    }
}
