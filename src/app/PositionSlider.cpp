#include "app/PositionSlider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <limits>

PositionSlider::PositionSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setFocusPolicy(Qt::NoFocus);
    setTracking(false);  // the play moves only when the handle is let go
    setRange(0, 0);
    setEnabled(false);
    // A mouse press and release: seek to where the handle is, also when it never moved (a click
    // on the groove, which put it there). Taking the value here keeps the release from changing
    // it again.
    connect(this, &QSlider::sliderReleased, this, [this] {
        const int tick = sliderPosition();
        {
            const QSignalBlocker quiet(this);
            setValue(tick);
        }
        Seek(tick);
    });
    // The wheel.
    connect(this, &QSlider::valueChanged, this, [this](int value) { Seek(value); });
}

void PositionSlider::SetSongLength(uint32_t ticks) {
    const int length = static_cast<int>(
        std::min<uint32_t>(ticks, static_cast<uint32_t>(std::numeric_limits<int>::max())));
    const QSignalBlocker quiet(this);
    setRange(0, length);
    setPageStep(std::max(1, length / 20));
    setSingleStep(std::max(1, length / 100));
    setValue(0);
    setEnabled(length > 0);
}

void PositionSlider::ShowPosition(uint32_t tick) {
    if (isSliderDown()) return;
    const QSignalBlocker quiet(this);
    setValue(static_cast<int>(std::min<uint32_t>(tick, SongLength())));
}

void PositionSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QSlider::mousePressEvent(event);
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    if (!handle.contains(event->position().toPoint())) {
        // Put the handle under the mouse first, so that the press grabs it there.
        const QRect groove =
            style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
        const int span = std::max(1, groove.width() - handle.width());
        const int x = event->position().toPoint().x() - groove.x() - handle.width() / 2;
        setSliderPosition(QStyle::sliderValueFromPosition(minimum(), maximum(), x, span));
    }
    QSlider::mousePressEvent(event);
}

void PositionSlider::Seek(int value) {
    if (onSeek) onSeek(static_cast<uint32_t>(std::max(0, value)));
}
