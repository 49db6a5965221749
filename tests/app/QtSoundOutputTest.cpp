// The embedded recordings: their format, their names, playback straight from the resources, and
// sounds that wait for the first window.

#include "app/QtSoundOutput.h"
#include "app/SoundPlayer.h"

#include <QFile>
#include <QSoundEffect>
#include <QTest>
#include <QWindow>

#include <cmath>
#include <cstdint>

namespace {

std::uint32_t le(const QByteArray& b, int at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | static_cast<std::uint8_t>(b[at + i]);
    }
    return v;
}

struct WaveFacts {
    bool ok = false;
    std::uint32_t format = 0, channels = 0, rate = 0, bits = 0, frames = 0;
    int firstSample = 0, lastSample = 0; // centred on 0
};

// Walks the RIFF chunks itself instead of trusting a fixed 44-byte header.
WaveFacts readFacts(const QByteArray& b) {
    WaveFacts f;
    if (b.size() < 12 || b.left(4) != "RIFF" || b.mid(8, 4) != "WAVE") {
        return f;
    }
    bool haveFormat = false;
    for (int at = 12; at + 8 <= b.size();) {
        const QByteArray id = b.mid(at, 4);
        const int size = static_cast<int>(le(b, at + 4, 4));
        const int body = at + 8;
        if (body + size > b.size()) {
            return f;
        }
        if (id == "fmt ") {
            f.format = le(b, body, 2);
            f.channels = le(b, body + 2, 2);
            f.rate = le(b, body + 4, 4);
            f.bits = le(b, body + 14, 2);
            haveFormat = true;
        } else if (id == "data" && haveFormat && f.bits >= 8) {
            const int step = static_cast<int>(f.bits / 8 * f.channels);
            f.frames = static_cast<std::uint32_t>(size / step);
            const auto sample = [&](int pos) {
                return f.bits == 8 ? static_cast<int>(static_cast<std::uint8_t>(b[pos])) - 128
                                   : static_cast<int>(static_cast<std::int16_t>(le(b, pos, 2)));
            };
            f.firstSample = sample(body);
            f.lastSample = sample(body + size - step);
            f.ok = f.frames > 0;
            return f;
        }
        at = body + size + (size & 1);
    }
    return f;
}

} // namespace

class QtSoundOutputTest : public QObject {
    Q_OBJECT
private slots:
    void recordingsMatchTheTable_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<uint>("rate");
        QTest::addColumn<uint>("bits");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("CLEAR") << "CLEAR" << 11025u << 8u << 144;
        QTest::newRow("CLEAREDALL") << "CLEAREDALL" << 22050u << 8u << 923;
        QTest::newRow("DROP") << "DROP" << 11025u << 8u << 223;
        QTest::newRow("ENTERED") << "ENTERED" << 11025u << 8u << 786;
        QTest::newRow("GAMEOVER") << "GAMEOVER" << 22050u << 16u << 2794;
        QTest::newRow("LEVELUP") << "LEVELUP" << 11025u << 8u << 955;
    }

    void recordingsMatchTheTable() {
        QFETCH(QString, name);
        QFETCH(uint, rate);
        QFETCH(uint, bits);
        QFETCH(int, milliseconds);

        // The sound's lower-case name leads to this recording, and the player finds it there.
        QCOMPARE(SoundPlayer::resourceFor(name.toLower().toStdString()), name.toStdString());
        QFile file(QtSoundOutput::resourcePath(name));
        QCOMPARE(file.fileName(), QStringLiteral(":/WAVE/") + name);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const WaveFacts f = readFacts(file.readAll());
        QVERIFY(f.ok);
        QCOMPARE(f.format, 1u); // uncompressed PCM
        QCOMPARE(f.channels, 1u);
        QCOMPARE(f.rate, rate);
        QCOMPARE(f.bits, bits);
        QCOMPARE(static_cast<int>(std::lround(f.frames * 1000.0 / f.rate)), milliseconds);
        // Starting and ending near silence keeps playback free of clicks.
        const int quiet = bits == 8 ? 2 : 300;
        QVERIFY(std::abs(f.firstSample) <= quiet);
        QVERIFY(std::abs(f.lastSample) <= quiet);
    }

    // QSoundEffect reads the recordings straight from the resources; no copies on disk.
    void recordingsLoadStraightFromTheResources() {
        QCOMPARE(QtSoundOutput::resourceUrl(QStringLiteral("DROP")),
                 QUrl(QStringLiteral("qrc:/WAVE/DROP")));
        QSoundEffect effect;
        effect.setSource(QtSoundOutput::resourceUrl(QStringLiteral("DROP")));
        QTRY_VERIFY(effect.status() == QSoundEffect::Ready ||
                    effect.status() == QSoundEffect::Error);
        QCOMPARE(effect.status(), QSoundEffect::Ready);
    }

    void playingWithoutAudioDeviceIsHarmless() {
        QVERIFY(SoundPlayer::resourceFor("startgame").empty());
        // Test machines have no sound card: every call must simply return.
        QtSoundOutput output;
        SoundPlayer player(output, [] { return true; });
        for (const char* name :
             {"entered", "drop", "clear", "clearedall", "startgame", "gameover"}) {
            player.playsounds(name);
        }
        output.stop();
        QCoreApplication::processEvents();
    }

    // The audio back-end is not started while the first window is made: what is asked for
    // meanwhile waits, one sound at a time, and plays once the window is on the screen.
    void soundsWaitForTheFirstWindow() {
        QtSoundOutput output;
        output.hold();
        output.play("DROP");
        output.play("ENTERED");
        QCOMPARE(output.waiting(), QStringLiteral("ENTERED"));
        QWindow window;
        window.resize(120, 80);
        output.releaseAfterExposed(&window);
        QCoreApplication::processEvents();
        QVERIFY(!output.backEndStarted());
        QCOMPARE(output.waiting(), QStringLiteral("ENTERED"));
        window.show();
        QTRY_VERIFY(output.backEndStarted());
        QVERIFY(output.waiting().isEmpty());

        // Stopping drops a waiting sound; a window that is never seen takes its sound with it,
        // and later sounds play at once.
        QtSoundOutput other;
        other.hold();
        other.play("CLEAR");
        other.stop();
        QVERIFY(other.waiting().isEmpty());
        other.play("LEVELUP");
        {
            QWindow unseen;
            other.releaseAfterExposed(&unseen);
        }
        QVERIFY(other.waiting().isEmpty());
        QVERIFY(!other.backEndStarted());
        other.play("DROP");
        QVERIFY(other.backEndStarted());
        QVERIFY(other.waiting().isEmpty());
    }
};

QTEST_MAIN(QtSoundOutputTest)
#include "QtSoundOutputTest.moc"
