#include "info/aboutform.h"

#include "common/Version.h"
#include "info/InfoLook.h"
#include "info/SiteAddress.h"
#include "widgets/ButtonComps.h"
#include "widgets/ClickLabel.h"
#include "widgets/HouseStyle.h"
#include "widgets/LbBack.h"
#include "widgets/PictureLabel.h"
#include "widgets/URL.h"

namespace {

const QColor versionYellow(255, 255, 0);

} // namespace

Tabout::Tabout(QWidget* owner, const QString& siteRoot)
    : QWidget(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_owner(owner) {
    setObjectName(QStringLiteral("about"));
    setWindowTitle(tr("Bloomzap - About"));
    setFixedSize(304, 193);
    info::paintWindow(this, Qt::black);
    // Looked up before this window has a tiler of its own, which the search would find too.
    const QImage background = info::ownerBackground(owner);
    LbBackground1 = new TLbBackground(this);
    LbBackground1->setObjectName(QStringLiteral("LbBackground1"));

    const SiteAddress site = SiteAddress::fromRoot(siteRoot);
    URL1 = new TURL(this);
    URL1->setObjectName(QStringLiteral("URL1"));
    URL1->setURLType(site.type);
    URL1->setURL(site.home);

    image_title = new PictureLabel(this);
    image_title->setObjectName(QStringLiteral("image_title"));
    image_title->setGeometry(10, 7, 293, 69);
    image_title->setPicture(QStringLiteral(":/pictures/title.png"), "png");
    image_title->setAccessibleName(tr("Bloomzap"));

    QFont linkFont = house::pixelFont("MS Sans Serif", 16, true);
    linkFont.setUnderline(true);
    QString shown = site.home;
    shown.chop(1); // the address as a player would type it, without the final "/"
    label_link = info::makeLink(this, QStringLiteral("label_link"), shown, QRect(8, 72, 289, 20),
                                linkFont, house::lightGrey);
    connect(label_link, &ClickLabel::clicked, this, &Tabout::label_linkClick);
    label_link->setAccessibleDescription(tr("Opens the Bloomzap web site"));

    const QFont creditFont = house::pixelFont("MS Sans Serif", 13, true);
    Label1 =
        info::makeLabel(this, QStringLiteral("Label1"), tr("Bloomzap, a flower puzzle game"),
                        QRect(4, 122, 296, 16), creditFont, house::lightGrey, Qt::AlignHCenter);
    Label2 = info::makeLabel(this, QStringLiteral("Label2"), tr("Copyright (c) Varnok Software"),
                             QRect(4, 140, 0, 16), creditFont, house::lightGrey);
    Label2->adjustSize();
    label_year = info::makeLabel(this, QStringLiteral("label_year"), QString(),
                                 QRect(0, 140, 0, 16), creditFont, house::lightGrey);

    const QFont versionFont = house::pixelFont("Times New Roman", 13, true);
    Label3 = info::makeLabel(this, QStringLiteral("Label3"), tr("Version"), QRect(48, 171, 45, 16),
                             versionFont, versionYellow);
    version =
        info::makeLabel(this, QStringLiteral("version"), QString::fromLatin1(site::programVersion),
                        QRect(96, 171, 27, 16), versionFont, versionYellow);
    Label4 = info::makeLabel(this, QStringLiteral("Label4"), QStringLiteral(".0"),
                             QRect(123, 171, 20, 16), versionFont, versionYellow);

    button_done = info::makeButton(this, QStringLiteral("button_done"), tr("Done"), 202, 164, 95);
    connect(button_done, &TSelButton::OnClick, this, &Tabout::button_doneClick);
    button_done->setAccessibleDescription(tr("Closes this window"));

    FormCreate(background);
}

void Tabout::FormCreate(const QImage& background) {
    LbBackground1->setImage(background);
    // Years are set once, when the window is made at start-up.
    label_year->setText(info::currentYear());
    info::centrePair(Label2, label_year, QRect(4, 140, 296, 16));
}

void Tabout::showWindow() {
    info::bringUp(this);
}

bool Tabout::openSite() {
    return URL1->OpenLink();
}

void Tabout::label_linkClick() {
    openSite();
}

void Tabout::button_doneClick() {
    hide();
}

void Tabout::showEvent(QShowEvent* event) {
    if (!m_shownBefore) {
        info::centreOver(this, m_owner);
    }
    m_shownBefore = true;
    QWidget::showEvent(event);
}
