#include "info/helpform.h"

#include "info/InfoLook.h"
#include "info/aboutform.h"
#include "widgets/ButtonComps.h"
#include "widgets/HouseStyle.h"
#include "widgets/LbBack.h"
#include "widgets/TFlatPanelUnit.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace {

constexpr int sideWidth = 137;
constexpr int captionHeight = 20;
const QColor pageGrey(72, 72, 72);
const QColor pageYellow(255, 255, 0);

QStringList licenceLines() {
    // The licence keeps its English wording, the one that binds; only its heading is translated.
    return {
        QT_TRANSLATE_NOOP("Thelp", "License"),
        "",
        "Bloomzap",
        "Copyright (c) 2026 Varnok Software",
        "",
        "Permission is hereby granted, free of charge, to any person obtaining a copy of this "
        "software and associated documentation files (the \"Software\"), to deal in the "
        "Software without restriction, including without limitation the rights to use, copy, "
        "modify, merge, publish, distribute, sublicense, and/or sell copies of the Software, and "
        "to permit persons to whom the Software is furnished to do so, subject to the following "
        "conditions:",
        "",
        "The above copyright notice and this permission notice shall be included in all copies "
        "or substantial portions of the Software.",
        "",
        "THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED, "
        "INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A "
        "PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT "
        "HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF "
        "CONTRACT, TORT OR OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR "
        "THE USE OR OTHER DEALINGS IN THE SOFTWARE.",
    };
}

} // namespace

const std::array<Thelp::Topic, 5>& Thelp::topics() {
    static const std::array<Topic, 5> table{{
        {"button_overview",
         QT_TRANSLATE_NOOP("Thelp", "Overview"),
         8,
         1,
         {QT_TRANSLATE_NOOP("Thelp", "Overview"), "",
          QT_TRANSLATE_NOOP(
              "Thelp", "I wanted to add to my puzzle game collection so this game was born! :)")}},
        {"button_gameplay",
         QT_TRANSLATE_NOOP("Thelp", "Game Play"),
         32,
         3,
         {QT_TRANSLATE_NOOP("Thelp", "Game Play"), "",
          QT_TRANSLATE_NOOP(
              "Thelp",
              "Click on flowers to remove them. There must be at least two flowers of the "),
          QT_TRANSLATE_NOOP("Thelp", "same color touching in order to be removed.")}},
        {"button_scoring",
         QT_TRANSLATE_NOOP("Thelp", "Scoring"),
         56,
         4,
         {QT_TRANSLATE_NOOP("Thelp", "Scoring"), "",
          QT_TRANSLATE_NOOP(
              "Thelp", "You receive points for each flower removed. The score is based on the "),
          QT_TRANSLATE_NOOP("Thelp",
                            "number of total flowers removed at one time and the round number."),
          "",
          QT_TRANSLATE_NOOP(
              "Thelp",
              "If you clear all the flowers off the board, you receive a 100 point bonus.")}},
        {"button_documentation",
         QT_TRANSLATE_NOOP("Thelp", "Documentation"),
         80,
         5,
         {QT_TRANSLATE_NOOP("Thelp", "History"), "", "Version 1.0.0.0", "", " "}},
        {"button_license", QT_TRANSLATE_NOOP("Thelp", "License"), 104, 6, licenceLines()},
    }};
    return table;
}

Thelp::Thelp(QWidget* owner, Tabout* about)
    : QWidget(owner, Qt::Window), m_owner(owner), m_about(about) {
    setObjectName(QStringLiteral("help"));
    setWindowTitle(tr("Bloomzap - Help File"));
    resize(523, 431);
    setMinimumSize(sideWidth + 160, 431 / 2);
    info::paintWindow(this, Qt::black);
    // Looked up before this window has a tiler of its own, which the search would find too.
    const QImage background = info::ownerBackground(owner);
    LbBackground1 = new TLbBackground(this);
    LbBackground1->setObjectName(QStringLiteral("LbBackground1"));

    panel_side = new TFlatPanel(this);
    panel_side->setObjectName(QStringLiteral("panel_side"));
    panel_main = new TFlatPanel(this);
    panel_main->setObjectName(QStringLiteral("panel_main"));
    panel_side->setAccessibleName(tr("Topics"));
    panel_side->setAccessibleDescription(tr("The help topics and the credits"));
    panel_main->setAccessibleName(tr("Help page"));
    panel_main->setAccessibleDescription(tr("The text of the chosen topic"));
    for (TFlatPanel* panel : {panel_side, panel_main}) {
        panel->setTransparent(true);
        panel->setColorHighLight(Qt::black);
        panel->setColorShadow(Qt::black);
    }

    for (std::size_t i = 0; i < topics().size(); ++i) {
        const Topic& topic = topics()[i];
        TSelButton* button = info::makeButton(panel_side, QString::fromLatin1(topic.name),
                                              tr(topic.caption), 7, topic.top, 122);
        button->setAlignment(Qt::AlignLeft);
        button->setProperty("Tag", topic.tag);
        connect(button, &TSelButton::OnClick, this, &Thelp::button_topicClick);
        button->setAccessibleDescription(tr("Shows this topic"));
        button_topic[i] = button;
    }
    button_about =
        info::makeButton(panel_side, QStringLiteral("button_about"), tr("About"), 7, 152, 122);
    button_about->setAlignment(Qt::AlignLeft);
    connect(button_about, &TSelButton::OnClick, this, &Thelp::button_aboutClick);
    button_about->setAccessibleDescription(tr("Shows the About window"));

    const auto credit = [&](const char* name, const QString& text, int top, const QFont& font) {
        return info::makeLabel(panel_side, QString::fromLatin1(name), text, QRect(7, top, 122, 18),
                               font, house::lightGrey, Qt::AlignHCenter);
    };
    const QFont small = house::pixelFont("MS Sans Serif", 11);
    Label1 = credit("Label1", QStringLiteral("Bloomzap"), 304,
                    house::pixelFont("MS Sans Serif", 16, true));
    Label2 = credit("Label2", tr("a game by"), 326, small);
    Label3 = credit("Label3", QStringLiteral("Varnok Software"), 342,
                    house::pixelFont("MS Sans Serif", 13, true));
    Label4 = credit("Label4", tr("Copyright (c)"), 362, small);
    label_year = credit("label_year", QString(), 362, small);

    button_done =
        info::makeButton(panel_side, QStringLiteral("button_done"), tr("Done"), 18, 404, 95);
    connect(button_done, &TSelButton::OnClick, this, &Thelp::button_doneClick);
    button_done->setAccessibleDescription(tr("Closes the help"));

    QFont captionFont = house::pixelFont("MS Sans Serif", 16, true);
    label_caption = info::makeLabel(panel_main, QStringLiteral("label_caption"), tr("Overview"),
                                    QRect(), captionFont, house::lightGrey, Qt::AlignHCenter);

    memo1 = makepage(topics()[0]);
    memo3 = makepage(topics()[1]);
    memo4 = makepage(topics()[2]);
    memo5 = makepage(topics()[3]);
    memo6 = makepage(topics()[4]);
    // Each page is named by its topic's button.
    for (std::size_t i = 0; i < topics().size(); ++i) {
        findChild<QPlainTextEdit*>(QStringLiteral("memo%1").arg(topics()[i].tag))
            ->setAccessibleName(button_topic[i]->Caption());
    }

    layoutpanels();
    FormCreate(background);
}

void Thelp::FormCreate(const QImage& background) {
    memo1->raise();
    // Years are set once, when the window is made at start-up.
    label_year->setText(info::currentYear());
    info::centrePair(Label4, label_year, QRect(7, 362, 122, 18));
    LbBackground1->setImage(background);
}

QPlainTextEdit* Thelp::makepage(const Topic& topic) {
    auto* page = new QPlainTextEdit(panel_main);
    page->setObjectName(QStringLiteral("memo%1").arg(topic.tag));
    page->setReadOnly(true);
    page->setFrameShape(QFrame::NoFrame);
    page->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    page->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    page->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Clicked into, for selecting and copying, but never reached with Tab.
    page->setFocusPolicy(Qt::ClickFocus);
    page->setFont(house::pixelFont("Arial", 11));
    QPalette palette = page->palette();
    palette.setColor(QPalette::Base, pageGrey);
    palette.setColor(QPalette::Text, pageYellow);
    page->setPalette(palette);
    page->document()->setDocumentMargin(5);
    QStringList lines;
    for (const QString& line : topic.lines) {
        lines << tr(line.toUtf8().constData());
    }
    page->setPlainText(lines.join(QLatin1Char('\n')));
    return page;
}

QPlainTextEdit* Thelp::frontpage() const {
    // The pages lie on top of each other; the one raised last is the last child.
    const QObjectList& children = panel_main->children();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        if (auto* page = qobject_cast<QPlainTextEdit*>(*it)) {
            return page;
        }
    }
    return nullptr;
}

void Thelp::showWindow() {
    info::bringUp(this);
}

void Thelp::button_topicClick(QObject* Sender) {
    const auto* button = qobject_cast<TSelButton*>(Sender);
    if (!button) {
        return;
    }
    const QString name = QStringLiteral("memo%1").arg(button->property("Tag").toInt());
    auto* page = findChild<QPlainTextEdit*>(name);
    if (!page) {
        return;
    }
    page->raise();
    label_caption->setText(button->Caption());
}

void Thelp::button_aboutClick() {
    if (m_about) {
        m_about->showWindow();
    }
}

void Thelp::button_doneClick() {
    hide();
}

void Thelp::resizeEvent(QResizeEvent* event) {
    layoutpanels();
    QWidget::resizeEvent(event);
}

void Thelp::layoutpanels() {
    // The side panel runs down the left edge; the main panel takes the rest, the caption line
    // along its top and the pages below it.
    panel_side->setGeometry(0, 0, sideWidth, height());
    panel_main->setGeometry(sideWidth, 0, width() - sideWidth, height());
    const int inner = panel_main->width() - 2;
    label_caption->setGeometry(1, 1, inner, captionHeight);
    for (QPlainTextEdit* page : {memo1, memo3, memo4, memo5, memo6}) {
        page->setGeometry(1, 1 + captionHeight, inner, panel_main->height() - 2 - captionHeight);
    }
}

void Thelp::showEvent(QShowEvent* event) {
    if (!m_shownBefore) {
        info::centreOver(this, m_owner);
    }
    m_shownBefore = true;
    QWidget::showEvent(event);
}
