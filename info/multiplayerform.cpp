#include "info/multiplayerform.h"

#include "common/SiteNames.h"

#include "info/InfoLook.h"
#include "info/SiteAddress.h"
#include "widgets/ButtonComps.h"
#include "widgets/ClickLabel.h"
#include "widgets/HouseStyle.h"
#include "widgets/URL.h"

namespace {

const QColor windowGreen(76, 106, 76);
const QColor lineYellow(255, 255, 128);

} // namespace

Tmultiplayer::Tmultiplayer(QWidget* owner, const QString& siteRoot)
    : QWidget(owner, Qt::Tool), m_owner(owner) {
    setObjectName(QStringLiteral("multiplayer"));
    setWindowTitle(tr("Bloomzap - Multiplayer"));
    setFixedSize(569, 431);
    info::paintWindow(this, windowGreen);

    const SiteAddress site = SiteAddress::fromRoot(siteRoot);
    URL1 = new TURL(this);
    URL1->setObjectName(QStringLiteral("URL1"));
    URL1->setURLType(site.type);
    if (!site.folder.isEmpty()) {
        URL1->setURL(site.folder + QString::fromLatin1(site::multiplayerPath.data(),
                                                       qsizetype(site::multiplayerPath.size())));
    }

    label_line1 = info::makeLink(
        this, QStringLiteral("label_line1"), tr("Play against the world on one high-score list!"),
        QRect(8, 10, 553, 30), house::pixelFont("Arial", 21, true), lineYellow);

    image_ad = new ClickLabel(this);
    image_ad->setObjectName(QStringLiteral("image_ad"));
    image_ad->setGeometry(24, 48, 521, 300);
    image_ad->setPicture(QStringLiteral(":/pictures/multiplayer.jpg"), "jpeg");
    image_ad->setAccessibleName(tr("Multiplayer game"));

    QFont underlined = house::pixelFont("Arial", 16, true);
    underlined.setUnderline(true);
    label_line2 = info::makeLink(this, QStringLiteral("label_line2"),
                                 tr("Click here to see today's top ten and post your best score"),
                                 QRect(8, 356, 553, 24), underlined, house::lightGrey);

    for (ClickLabel* link : {label_line1, image_ad, label_line2}) {
        connect(link, &ClickLabel::clicked, this, &Tmultiplayer::label_lineClick);
        link->setAccessibleDescription(tr("Opens the multiplayer page of the web site"));
    }

    button_done = info::makeButton(this, QStringLiteral("button_done"), tr("Done"), 237, 397, 95);
    connect(button_done, &TSelButton::OnClick, this, &Tmultiplayer::button_doneClick);
    button_done->setAccessibleDescription(tr("Closes this window"));
}

void Tmultiplayer::showWindow() {
    info::bringUp(this);
}

void Tmultiplayer::label_lineClick() {
    URL1->OpenLink();
}

void Tmultiplayer::button_doneClick() {
    hide();
}

void Tmultiplayer::showEvent(QShowEvent* event) {
    if (!m_shownBefore) {
        info::centreOver(this, m_owner);
    }
    m_shownBefore = true;
    QWidget::showEvent(event);
}
