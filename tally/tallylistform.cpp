#include "tally/tallylistform.h"

#include "tally/TallyMessageBoxes.h"
#include "tally/TallyRecords.h"
#include "tally/TallySystemCalendar.h"
#include "widgets/ButtonComps.h"
#include "widgets/HouseStyle.h"
#include "widgets/TFlatPanelUnit.h"
#include "widgets/WidgetAccessible.h"

#include <QLabel>

namespace {

const QColor newestRed(255, 0, 0);

void paint(QLabel* label, const QColor& colour, bool bold) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
}

} // namespace

Ttallylist::Ttallylist(QWidget* owner, const std::filesystem::path& folder, TallyCalendar* calendar,
                       TallyDialogs* dialogs)
    : QWidget(owner, Qt::Tool), m_store(folder, m_disk) {
    if (!calendar) {
        m_ownCalendar = std::make_unique<TallySystemCalendar>();
        calendar = m_ownCalendar.get();
    }
    if (!dialogs) {
        m_ownDialogs = std::make_unique<TallyMessageBoxes>(owner);
        dialogs = m_ownDialogs.get();
    }
    m_dialogs = dialogs;

    setObjectName(QStringLiteral("tallylist"));
    setWindowTitle(tr("Bloomzap - Tally List"));
    setFixedSize(342, 425);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, house::lightGrey);
    setPalette(palette);
    setAutoFillBackground(true);
    setFont(house::sansSerif(13, true));

    FlatPanel1 = new TFlatPanel(this);
    FlatPanel1->setObjectName(QStringLiteral("FlatPanel1"));
    FlatPanel1->setGeometry(6, 6, 331, 413);
    FlatPanel1->setTransparent(true);
    FlatPanel1->setColorHighLight(Qt::black);
    FlatPanel1->setColorShadow(Qt::black);

    QLabel* heading =
        makeLabel(QStringLiteral("Label1"), tr("YOUR TALLY LIST"), 1, 5, 328, Qt::AlignHCenter);
    QFont headingfont = house::sansSerif(19, true);
    headingfont.setUnderline(true);
    heading->setFont(headingfont);
    heading->setFixedHeight(24);

    makeLabel(QStringLiteral("Label2"), tr("Total Games:"), 88, 42, 101, Qt::AlignRight);
    makeLabel(QStringLiteral("Label3"), tr("Highest Level Reached:"), 16, 59, 173, Qt::AlignRight);
    makeLabel(QStringLiteral("Label4"), tr("Board Cleared:"), 69, 77, 120, Qt::AlignRight);
    const int totaltops[TallyTable::totals] = {42, 59, 77};
    for (int column = 1; column <= TallyTable::totals; ++column) {
        mylabel_[column - 1] =
            makeLabel(QStringLiteral("mylabel_%1").arg(column), QStringLiteral("0"), 194,
                      totaltops[column - 1], 59, Qt::AlignHCenter);
    }

    QLabel* scores =
        makeLabel(QStringLiteral("Label5"), tr("HIGH SCORES"), 1, 96, 328, Qt::AlignHCenter);
    scores->setFont(headingfont);
    scores->setFixedHeight(24);

    for (int n = 1; n <= TallyTable::places; ++n) {
        const int top = 126 + 24 * (n - 1);
        label_num[n - 1] = makeLabel(QStringLiteral("label_num%1").arg(n),
                                     QStringLiteral("%1.").arg(n), 5, top, 24, Qt::AlignRight);
        label_date[n - 1] = makeLabel(QStringLiteral("label_date%1").arg(n), QString(), 32, top,
                                      101, Qt::AlignLeft);
        label_name[n - 1] = makeLabel(QStringLiteral("label_name%1").arg(n), QString(), 136, top,
                                      132, Qt::AlignLeft);
        label_high[n - 1] =
            makeLabel(QStringLiteral("label_high%1").arg(n), QString(), 286, top, 0, Qt::AlignLeft);
    }

    button_reset = makeButton(QStringLiteral("button_reset"), tr("RESET TALLY"), 80, 137);
    button_done = makeButton(QStringLiteral("button_done"), tr("DONE"), 226, 95);
    connect(button_reset, &TSelButton::OnClick, this, &Ttallylist::button_resetClick);
    connect(button_done, &TSelButton::OnClick, this, &Ttallylist::button_doneClick);
    button_reset->setAccessibleDescription(tr("Clears the totals and the high scores"));
    button_done->setAccessibleDescription(tr("Closes this window"));
    // The panel is named by its heading, each total read with the caption beside it.
    FlatPanel1->setAccessibleName(heading->text());
    FlatPanel1->setAccessibleDescription(tr("Your totals and your ten best scores"));
    for (int column = 1; column <= TallyTable::totals; ++column) {
        accessibility::setDisplayCaption(
            mylabel_[column - 1],
            findChild<QLabel*>(QStringLiteral("Label%1").arg(column + 1))->text());
    }

    // The labels exist now, so the record keeper can show its first texts on them.
    TallyDisplay& display = *this;
    m_records = std::make_unique<TallyRecords>(stringgrid_scores, display, *calendar, *m_dialogs);
    FormCreate();
}

Ttallylist::~Ttallylist() {
    FormDestroy();
}

void Ttallylist::FormCreate() {
    m_reading = m_store.readTally(stringgrid_scores);
    switch (m_reading.outcome) {
    case TallyReading::Outcome::Read:
        loadtally();
        break;
    case TallyReading::Outcome::Failed:
        // The game starts all the same; the window keeps its first texts.
        m_dialogs->showReadFailure(m_reading);
        break;
    case TallyReading::Outcome::NoFile:
        break;
    }
}

void Ttallylist::FormDestroy() {
    // A failed write is not reported: the program is closing, and the old file stays intact.
    m_store.writeTally(stringgrid_scores);
}

TallyCalls& Ttallylist::tallycalls() {
    return *m_records;
}

void Ttallylist::loadtally() {
    m_records->loadtally();
}

bool Ttallylist::checkscore(int score, const std::string& name) {
    return m_records->enterScore(score, name) != 0;
}

void Ttallylist::checkchange(int column, int value) {
    m_records->checkchange(column, value);
}

void Ttallylist::addtomineset(int column, const std::string& text) {
    m_records->addtomineset(column, text);
}

int Ttallylist::addit(int column, int row) {
    return m_records->addit(column, row);
}

void Ttallylist::addtomineincrease(int column) {
    m_records->addtomineincrease(column);
}

void Ttallylist::showCentredOn(QWidget* window) {
    // The frame's size is known only once the window is shown, so place it before showing (no
    // jump when the frame is thin) and set it right afterwards.
    const auto centre = [this, window] {
        if (!window) {
            return;
        }
        const QPoint middle = window->frameGeometry().center();
        const QRect frame = frameGeometry();
        move(pos() + middle - frame.center());
    };
    centre();
    show();
    centre();
    raise();
    activateWindow();
}

void Ttallylist::button_resetClick() {
    m_records->confirmReset();
}

void Ttallylist::button_doneClick() {
    hide();
}

void Ttallylist::showTotal(int column, const std::string& text) {
    mylabel_.at(column - 1)->setText(QString::fromStdString(text));
    accessibility::displayChanged(mylabel_.at(column - 1));
}

void Ttallylist::showPlace(int place, const TallyPlace& row) {
    label_date.at(place - 1)->setText(QString::fromStdString(row.date));
    label_name.at(place - 1)->setText(QString::fromStdString(row.name));
    QLabel* high = label_high.at(place - 1);
    high->setText(QString::fromStdString(row.high));
    const bool newest = row.look == TallyLook::Newest;
    const bool bold = row.look != TallyLook::Plain;
    for (QLabel* label :
         {label_num.at(place - 1), label_date.at(place - 1), label_name.at(place - 1), high}) {
        paint(label, newest ? newestRed : house::lightGrey, bold);
    }
    // The score label is as wide as its text, measured in the font it now has.
    high->adjustSize();
}

QLabel* Ttallylist::makeLabel(const QString& name, const QString& text, int left, int top,
                              int width, Qt::Alignment alignment) {
    auto* label = new QLabel(FlatPanel1);
    // Names and dates are shown as typed; a name such as "<b>Ann" must not turn into markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setObjectName(name);
    label->setFont(house::sansSerif(13, true));
    paint(label, house::lightGrey, true);
    label->setAlignment(alignment | Qt::AlignTop);
    const int height = label->fontMetrics().height();
    if (width > 0) {
        label->setGeometry(left, top, width, height);
    } else {
        label->move(left, top);
        label->adjustSize();
    }
    return label;
}

TSelButton* Ttallylist::makeButton(const QString& name, const QString& caption, int left,
                                   int width) {
    auto* button = new TSelButton(FlatPanel1);
    button->setObjectName(name);
    button->setCaption(caption);
    button->setGeometry(left, 377, width, 26);
    house::styleButton(button, house::darkGrey);
    return button;
}
