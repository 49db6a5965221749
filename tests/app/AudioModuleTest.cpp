// The audio module: Qt Multimedia stays out of the process until the first sound after the first
// window is up, and a missing module leaves the sounds silent and the caller unharmed.

#include "app/AudioBackEnd.h"
#include "app/QtSoundOutput.h"

#include <QTest>
#include <QWindow>

#include <dlfcn.h>

namespace {

// Whether the process has loaded this library already (without loading it).
bool loaded(const char* library) {
    void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

constexpr const char* multimedia = "libQt6Multimedia.so.6";

} // namespace

class AudioModuleTest : public QObject {
    Q_OBJECT
private slots:
    void theBackEndLoadsWithTheFirstSoundAfterTheWindow() {
        // Without its module the output stays silent: nothing loaded, every call returns.
        QtSoundOutput missing(nullptr, "libbloomzap_nosuchmodule.so");
        for (const char* name : {"ENTERED", "DROP", "CLEAR"})
            missing.play(name);
        missing.stop();
        QVERIFY(missing.backEndStarted());
        QVERIFY(!missing.backEndLoaded());
        QVERIFY(!loaded(multimedia));

        // The sound asked for while the window is made loads nothing until the window is up.
        QtSoundOutput output;
        output.hold();
        output.play("ENTERED");
        QWindow window;
        window.resize(120, 80);
        output.releaseAfterExposed(&window);
        QCoreApplication::processEvents();
        QVERIFY(!loaded(audiomodule::fileName));
        QVERIFY(!loaded(multimedia));
        window.show();
        QTRY_VERIFY(output.backEndStarted());
        QVERIFY(output.backEndLoaded());
        QVERIFY(loaded(audiomodule::fileName));
        QVERIFY(loaded(multimedia));

        // Through the module, with or without an audio device, sounds and unknown names are
        // harmless.
        output.play("CLEAR");
        output.play("NOSUCHSOUND");
        output.stop();
        QCoreApplication::processEvents();
    }
};

QTEST_MAIN(AudioModuleTest)
#include "AudioModuleTest.moc"
