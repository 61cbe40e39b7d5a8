#pragma once
// PlayerStatusBar: the main window's status bar, one label a field of StatusTexts. The device
// takes the room that is left on the left; position, time, tempo and the markers sit on the
// right, the markers only while there are any. Show changes only the labels whose text changed.

#include <QLabel>
#include <QStatusBar>

#include "app/PlayerStatus.h"

class PlayerStatusBar : public QStatusBar {
  public:
    explicit PlayerStatusBar(QWidget* parent = nullptr);

    void Show(const StatusTexts& texts);
    StatusTexts Shown() const;

  private:
    QLabel* device;
    QLabel* markers;
    QLabel* position;
    QLabel* time;
    QLabel* tempo;
};
