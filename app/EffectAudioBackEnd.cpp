// The sound module: the audio back-end made of one QSoundEffect per recording.

#include "app/AudioBackEnd.h"

#include <QAudioDevice>
#include <QHash>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QtGlobal>

#include <memory>

namespace {

// Loads each recording once, straight from its source, and keeps it for the next time.
class EffectAudioBackEnd : public AudioBackEnd {
public:
    void play(const QUrl& source) override {
        // Asked each time, so a device plugged in later is used; no device means silence.
        if (QMediaDevices::defaultAudioOutput().isNull()) {
            return;
        }
        QSoundEffect* effect = effectFor(source);
        stop();
        m_current = effect;
        // A sound still loading starts when it is ready; QSoundEffect queues that itself.
        effect->play();
    }

    void stop() override {
        if (m_current) {
            m_current->stop();
        }
        m_current = nullptr;
    }

private:
    QSoundEffect* effectFor(const QUrl& source) {
        if (QSoundEffect* known = m_effects.value(source)) {
            return known;
        }
        auto* effect = new QSoundEffect(QMediaDevices::defaultAudioOutput(), m_owner.get());
        effect->setSource(source);
        m_effects.insert(source, effect);
        return effect;
    }

    // Parent of the effects, so they go with the back-end.
    std::unique_ptr<QObject> m_owner = std::make_unique<QObject>();
    QHash<QUrl, QSoundEffect*> m_effects;
    QSoundEffect* m_current = nullptr;
};

} // namespace

extern "C" Q_DECL_EXPORT AudioBackEnd* bloomzapMakeAudioBackEnd() {
    return new EffectAudioBackEnd;
}
