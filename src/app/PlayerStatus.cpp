#include "app/PlayerStatus.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

QString FormatSongTime(double seconds) {
    // Times far beyond any song (a broken tempo map) are capped rather than overflowing.
    constexpr double kLongest = 100.0 * 3600.0 - 1.0;
    const double clamped = std::isfinite(seconds) && seconds > 0 ? std::min(seconds, kLongest) : 0;
    const auto whole = static_cast<int>(clamped);
    const int hours = whole / 3600;
    const int minutes = whole / 60 % 60;
    const int secs = whole % 60;
    if (hours > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(hours)
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(secs, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(minutes).arg(secs, 2, 10, QLatin1Char('0'));
}

namespace {

QString DeviceText(const PlayerStatus& status) {
    if (status.deviceDescription.isEmpty()) return QStringLiteral("No output device");
    if (status.deviceFailed)
        return QStringLiteral("Output: %1 failed, not heard").arg(status.deviceDescription);
    if (!status.synthStatus.isEmpty()) return status.synthStatus;
    return QStringLiteral("Output: %1").arg(status.deviceDescription);
}

QString TempoText(const PlayerStatus& status) {
    if (status.smpteFramesPerSecond != 0) {
        const QString frames = status.smpteFramesPerSecond == 29
                                   ? QStringLiteral("29.97 fps drop-frame")
                                   : QStringLiteral("%1 fps").arg(status.smpteFramesPerSecond);
        return QStringLiteral("SMPTE %1 x %2 at %3 %")
            .arg(frames)
            .arg(status.ticksPerFrame)
            .arg(status.speedPercent);
    }
    const double bpm = std::isfinite(status.beatsPerMinute) ? status.beatsPerMinute : 0;
    return QStringLiteral("%1 BPM at %2 %").arg(std::lround(bpm)).arg(status.speedPercent);
}

QString MarkerText(const PlayerStatus& status) {
    QStringList markers;
    if (status.mutedTracks > 0) markers << QStringLiteral("%1 muted").arg(status.mutedTracks);
    if (status.transposedTracks > 0 && status.transposeAmount != 0)
        markers << QStringLiteral("%1 transposed %2%3")
                       .arg(status.transposedTracks)
                       .arg(status.transposeAmount > 0 ? QStringLiteral("+") : QString())
                       .arg(status.transposeAmount);
    if (status.looping)
        markers << QStringLiteral("Loop %1-%2").arg(status.loopFromBar).arg(status.loopToBar);
    return markers.join(QStringLiteral(" | "));
}

}  // namespace

StatusTexts StatusTextsOf(const PlayerStatus& status) {
    StatusTexts texts;
    texts.position = QStringLiteral("Bar %1:%2").arg(status.bar.bar).arg(status.bar.beat);
    texts.time = FormatSongTime(status.seconds) + QStringLiteral(" / ") +
                 FormatSongTime(status.lengthSeconds);
    texts.tempo = TempoText(status);
    texts.device = DeviceText(status);
    texts.markers = MarkerText(status);
    return texts;
}
