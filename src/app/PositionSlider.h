#pragma once
// PositionSlider: the song's position as a horizontal slider, in ticks from 0 to the song's end.
// It follows the play through ShowPosition, except while the user holds its handle. A click on
// the groove jumps straight there (not a page at a time) and a drag moves the handle; in both
// cases onSeek gets the chosen tick when the mouse is released, and also for each step of the
// wheel. It never takes the keyboard focus, so the window's keys stay the
// player's.

#include <QSlider>
#include <cstdint>
#include <functional>

class PositionSlider : public QSlider {
  public:
    explicit PositionSlider(QWidget* parent = nullptr);

    // 0 ticks: nothing to seek in, the slider is disabled.
    void SetSongLength(uint32_t ticks);
    void ShowPosition(uint32_t tick);
    uint32_t SongLength() const { return static_cast<uint32_t>(maximum()); }

    std::function<void(uint32_t tick)> onSeek;

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void Seek(int value);
};
