// The cores' texts in the player's language: whole texts and texts with a filled-in part
// matched against their sources, the filled-in part kept as it came, and everything else,
// or everything without a translation, shown byte for byte.

#include "widgets/CoreText.h"

#include <QCoreApplication>
#include <QMap>
#include <QTest>
#include <QTranslator>

namespace {

constexpr const char* sources[] = {"PAUSE GAME", "Scored: %1", "Good Luck %1", "%1 : corrupt"};

// A catalogue of the context "Core" held in memory.
class MemoryTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char*, int) const override {
        static const QMap<QString, QString> german = {{"PAUSE GAME", "PAUSE"},
                                                      {"Scored: %1", "%1 Punkte"},
                                                      {"Good Luck %1", "Viel Glück, %1"},
                                                      {"%1 : corrupt", "beschädigt: %1"}};
        if (qstrcmp(context, "Core") != 0)
            return {};
        return german.value(QString::fromUtf8(source));
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class CoreTextTest : public QObject {
    Q_OBJECT

private slots:
    void withoutATranslationEveryTextComesBackByteForByte() {
        for (const std::string text : {"PAUSE GAME", "Scored: 12", "Good Luck J\xc3\xb6rg %1 <b>",
                                       "Good Luck ", "/x : corrupt", "Scored", ""})
            QCOMPARE(translatedCoreText("Core", sources, text), QString::fromStdString(text));
    }

    void aTranslationReplacesWholeTextsAndKeepsTheFilledInPart() {
        MemoryTranslator german;
        QCoreApplication::installTranslator(&german);
        QCOMPARE(translatedCoreText("Core", sources, "PAUSE GAME"), QStringLiteral("PAUSE"));
        QCOMPARE(translatedCoreText("Core", sources, "Scored: 120"), QStringLiteral("120 Punkte"));
        QCOMPARE(translatedCoreText("Core", sources, "/tmp/a b.tld : corrupt"),
                 QStringLiteral("beschädigt: /tmp/a b.tld"));
        // A name is shown as typed, even one that looks like a place holder.
        QCOMPARE(translatedCoreText("Core", sources, "Good Luck %1%2 J\xc3\xb6rg"),
                 QStringLiteral("Viel Glück, %1%2 Jörg"));
        QCOMPARE(translatedCoreText("Core", sources, "Good Luck "), QStringLiteral("Viel Glück, "));
        // Texts that are no source stay as they are, and so do texts of another context.
        QCOMPARE(translatedCoreText("Core", sources, "PAUSE GAME!"), QStringLiteral("PAUSE GAME!"));
        QCOMPARE(translatedCoreText("Core", sources, "Scored"), QStringLiteral("Scored"));
        QCOMPARE(translatedCoreText("Other", sources, "Scored: 5"), QStringLiteral("Scored: 5"));
        QCoreApplication::removeTranslator(&german);
    }
};

QTEST_GUILESS_MAIN(CoreTextTest)
#include "CoreTextTest.moc"
