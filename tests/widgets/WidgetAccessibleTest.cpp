// The painted widgets as a screen reader finds them: the caption button, the flat panel and the
// captioned display, named by what they show and telling of changes.

#include "widgets/WidgetAccessible.h"
#include "tests/support/AccessibilityRecorder.h"
#include "tests/support/QtTestMain.h"
#include "widgets/ButtonComps.h"
#include "widgets/TFlatPanelUnit.h"

#include <QAccessible>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

using testsupport::AccessibilityRecorder;

namespace {

QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

} // namespace

class WidgetAccessibleTest : public QObject {
    Q_OBJECT

private slots:
    void aCaptionButtonIsAButtonNamedByItsCaptionAndPressedLikeAClick() {
        QWidget window;
        window.resize(300, 100);
        auto* button = new TSelButton(&window);
        button->setGeometry(10, 10, 132, 27);
        button->setCaption(QStringLiteral("START GAME"));
        window.show();
        QAccessibleInterface* iface = accessible(button);
        QCOMPARE(iface->role(), QAccessible::Button);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("START GAME"));
        button->setAccessibleName(QStringLiteral("Begin"));
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Begin"));
        button->setAccessibleName(QString());

        const QString press = QAccessibleActionInterface::pressAction();
        QSignalSpy clicks(button, &TSelButton::OnClick);
        QVERIFY(iface->actionInterface()->actionNames().contains(press));
        iface->actionInterface()->doAction(press);
        QCOMPARE(clicks.size(), 1);

        // Its own Enabled flag off: it looks enabled but is not available.
        button->setEnabledFlag(false);
        QVERIFY(button->isEnabled());
        QVERIFY(iface->state().disabled);
        QVERIFY(!iface->actionInterface()->actionNames().contains(press));
        iface->actionInterface()->doAction(press);
        QCOMPARE(clicks.size(), 1);
        button->setEnabledFlag(true);
        QVERIFY(!iface->state().disabled);

        // Where the mouse could not reach it, it is not pressed either.
        auto* cover = new QWidget(&window);
        cover->setGeometry(50, 15, 40, 20);
        cover->show();
        iface->actionInterface()->doAction(press);
        QCOMPARE(clicks.size(), 1);
        delete cover;
        button->hide();
        iface->actionInterface()->doAction(press);
        QCOMPARE(clicks.size(), 1);
        button->show();
        iface->actionInterface()->doAction(press);
        QCOMPARE(clicks.size(), 2);

        // A new caption and a new Enabled flag are told to whoever listens.
        AccessibilityRecorder reader;
        button->setCaption(QStringLiteral("RESUME"));
        button->setEnabledFlag(false);
        button->setEnabledFlag(false);
        QCOMPARE(reader.of(QAccessible::NameChanged, button).size(), std::size_t(1));
        QCOMPARE(reader.of(QAccessible::NameChanged, button).back().name, QStringLiteral("RESUME"));
        QCOMPARE(reader.of(QAccessible::StateChanged, button).size(), std::size_t(1));
    }

    void aFlatPanelIsAGroupNamedByItsCaption() {
        TFlatPanel panel;
        panel.setCaption(QStringLiteral("Posting Score, Please Wait......"));
        QAccessibleInterface* iface = accessible(&panel);
        QCOMPARE(iface->role(), QAccessible::Grouping);
        QCOMPARE(iface->text(QAccessible::Name),
                 QStringLiteral("Posting Score, Please Wait......"));

        AccessibilityRecorder reader;
        panel.setCaption(QStringLiteral("Posting Failed."));
        QCOMPARE(reader.of(QAccessible::NameChanged, &panel).size(), std::size_t(1));
        QCOMPARE(reader.of(QAccessible::NameChanged, &panel).back().name,
                 QStringLiteral("Posting Failed."));

        // A name of its own wins, and then a new caption changes no name.
        panel.setAccessibleName(QStringLiteral("Game"));
        reader.clear();
        panel.setCaption(QStringLiteral("Other"));
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Game"));
        QVERIFY(reader.of(QAccessible::NameChanged, &panel).empty());
    }

    void aDisplayIsNamedByItsCaptionAndItsText() {
        QWidget window;
        auto* score = new QLabel(QStringLiteral("0"), &window);
        auto* status = new QLabel(QStringLiteral("Enjoy the Game!"), &window);
        accessibility::setDisplayCaption(score, QStringLiteral("Score:"));
        QCOMPARE(accessible(score)->text(QAccessible::Name), QStringLiteral("Score: 0"));

        AccessibilityRecorder reader;
        score->setText(QStringLiteral("120"));
        accessibility::displayChanged(score);
        QCOMPARE(accessible(score)->text(QAccessible::Name), QStringLiteral("Score: 120"));
        QCOMPARE(reader.of(QAccessible::NameChanged, score).size(), std::size_t(1));
        QCOMPARE(reader.of(QAccessible::NameChanged, score).back().name,
                 QStringLiteral("Score: 120"));
        score->clear();
        accessibility::displayChanged(score);
        QCOMPARE(accessible(score)->text(QAccessible::Name), QStringLiteral("Score:"));

        // A plain label keeps the name Qt gives it, its text.
        status->setText(QStringLiteral("LEVEL UP!"));
        accessibility::displayChanged(status);
        QCOMPARE(accessible(status)->text(QAccessible::Name), QStringLiteral("LEVEL UP!"));
        QVERIFY(reader.of(QAccessible::NameChanged, status).empty());
    }
};

BLOOMZAP_QTEST(WidgetAccessibleTest);
#include "WidgetAccessibleTest.moc"
