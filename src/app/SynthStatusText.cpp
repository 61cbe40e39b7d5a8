#include "app/SynthStatusText.h"

#include <QFileInfo>
#include <QStringList>

using midilib::SynthStatus;

QString AudioDriverDisplayName(std::string_view driver) {
    static constexpr std::pair<std::string_view, const char*> kNames[] = {
        {"pipewire", "PipeWire"}, {"pulseaudio", "PulseAudio"},
        {"alsa", "ALSA"},         {"sdl2", "SDL2"},
        {"jack", "JACK"},         {"oss", "OSS"},
    };
    for (const auto& [name, display] : kNames)
        if (name == driver) return QString::fromLatin1(display);
    return QString::fromUtf8(driver.data(), qsizetype(driver.size()));
}

namespace {

QString TriedDrivers(const SynthStatus& status) {
    QStringList names;
    for (const std::string& driver : status.triedDrivers)
        names << AudioDriverDisplayName(driver);
    return names.join(QStringLiteral(", "));
}

QString FileName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName();
}

}  // namespace

QString SynthMenuNote(const SynthStatus& status) {
    switch (status.state) {
        case SynthStatus::State::Opening:
            return QStringLiteral("opening");
        case SynthStatus::State::Playing:
            return AudioDriverDisplayName(status.audioDriver);
        case SynthStatus::State::Recording:
            return QStringLiteral("recording");
        case SynthStatus::State::Silent:
            break;
    }
    switch (status.silence) {
        case SynthStatus::Silence::NoSoundFont:
            return QStringLiteral("silent: no soundfont");
        case SynthStatus::Silence::WavNotWritable:
            return QStringLiteral("silent: WAV file not writable");
        case SynthStatus::Silence::NoSynth:
            return QStringLiteral("silent: FluidSynth failed");
        case SynthStatus::Silence::None:
        case SynthStatus::Silence::NoAudioDevice:
        case SynthStatus::Silence::DriverUnavailable:
            break;
    }
    return QStringLiteral("silent: no audio device");
}

QString SynthStatusText(const SynthStatus& status) {
    const QString prefix = QStringLiteral("Built-in synth: ");
    switch (status.state) {
        case SynthStatus::State::Opening:
            return prefix + QStringLiteral("loading the soundfont and opening the audio output...");
        case SynthStatus::State::Playing:
            return prefix +
                   QStringLiteral("playing through %1 (%2)")
                       .arg(AudioDriverDisplayName(status.audioDriver), FileName(status.soundFont));
        case SynthStatus::State::Recording:
            return prefix +
                   QStringLiteral("recording into %1 (%2)")
                       .arg(QString::fromStdString(status.wavFile), FileName(status.soundFont));
        case SynthStatus::State::Silent:
            break;
    }
    switch (status.silence) {
        case SynthStatus::Silence::NoSoundFont:
            return prefix + QStringLiteral(
                                "silent, no General MIDI soundfont found; install "
                                "timgm6mb-soundfont or fluid-soundfont-gm");
        case SynthStatus::Silence::WavNotWritable:
            return prefix + QStringLiteral("silent, cannot write the WAV file %1")
                                .arg(QString::fromStdString(status.wavFile));
        case SynthStatus::Silence::DriverUnavailable:
            return prefix + QStringLiteral("silent, the chosen audio driver is not available");
        case SynthStatus::Silence::NoSynth:
            return prefix + QStringLiteral("silent, FluidSynth could not be set up");
        case SynthStatus::Silence::None:
        case SynthStatus::Silence::NoAudioDevice:
            break;
    }
    return prefix +
           QStringLiteral("silent, no audio device answered (tried %1)").arg(TriedDrivers(status));
}
