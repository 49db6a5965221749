#include "info/multiplayerform.h"

#include "info/ClickLabel.h"
#include "info/InfoLook.h"
#include "info/SiteAddress.h"
#include "widgets/ButtonComps.h"
#include "widgets/HouseStyle.h"
#include "widgets/URL.h"

#include <QPixmap>

namespace {

const QColor windowGreen(76, 106, 76);
const QColor lineYellow(255, 255, 128);

void colour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

Tmultiplayer::Tmultiplayer(QWidget* owner, const QString& siteRoot)
    : QWidget(owner, Qt::Tool), m_owner(owner) {
    setObjectName(QStringLiteral("multiplayer"));
    setWindowTitle(QStringLiteral("Bloomzap - Multiplayer"));
    setFixedSize(569, 431);
    info::paintWindow(this, windowGreen);

    const SiteAddress site = SiteAddress::fromRoot(siteRoot);
    URL1 = new TURL(this);
    URL1->setObjectName(QStringLiteral("URL1"));
    URL1->setURLType(site.type);
    if (!site.folder.isEmpty())
        URL1->setURL(site.folder + QStringLiteral("multiplayer.html"));

    label_line1 = new ClickLabel(this);
    label_line1->setObjectName(QStringLiteral("label_line1"));
    label_line1->setText(QStringLiteral("Play against the world on one high-score list!"));
    label_line1->setFont(house::pixelFont("Arial", 21, true));
    colour(label_line1, lineYellow);
    label_line1->setAlignment(Qt::AlignCenter);
    label_line1->setGeometry(8, 10, 553, 30);

    image_ad = new ClickLabel(this);
    image_ad->setObjectName(QStringLiteral("image_ad"));
    image_ad->setGeometry(24, 48, 521, 300);
    image_ad->setPixmap(QPixmap(QStringLiteral(":/pictures/multiplayer.jpg"), "JPEG"));

    QFont underlined = house::pixelFont("Arial", 16, true);
    underlined.setUnderline(true);
    label_line2 = new ClickLabel(this);
    label_line2->setObjectName(QStringLiteral("label_line2"));
    label_line2->setText(
        QStringLiteral("Click here to see today's top ten and post your best score"));
    label_line2->setFont(underlined);
    colour(label_line2, house::lightGrey);
    label_line2->setAlignment(Qt::AlignCenter);
    label_line2->setGeometry(8, 356, 553, 24);

    for (ClickLabel* link : {label_line1, image_ad, label_line2})
        connect(link, &ClickLabel::clicked, this, &Tmultiplayer::label_lineClick);

    button_done = new TSelButton(this);
    button_done->setObjectName(QStringLiteral("button_done"));
    button_done->setCaption(QStringLiteral("Done"));
    button_done->setGeometry(237, 397, 95, 20);
    house::styleButton(button_done, house::darkGrey, info::buttonPixels);
    connect(button_done, &TSelButton::OnClick, this, &Tmultiplayer::button_doneClick);
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
    if (!m_shownBefore)
        info::centreOver(this, m_owner);
    m_shownBefore = true;
    QWidget::showEvent(event);
}
