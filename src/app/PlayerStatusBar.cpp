#include "app/PlayerStatusBar.h"

namespace {

QLabel* Field(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setContentsMargins(6, 0, 6, 0);
    return label;
}

void SetText(QLabel* label, const QString& text) {
    if (label->text() != text) label->setText(text);
}

}  // namespace

PlayerStatusBar::PlayerStatusBar(QWidget* parent)
    : QStatusBar(parent),
      device(Field(this, "device")),
      markers(Field(this, "markers")),
      position(Field(this, "position")),
      time(Field(this, "time")),
      tempo(Field(this, "tempo")) {
    setSizeGripEnabled(false);
    addWidget(device, 1);
    addPermanentWidget(markers);
    addPermanentWidget(position);
    addPermanentWidget(time);
    addPermanentWidget(tempo);
    markers->hide();
}

void PlayerStatusBar::Show(const StatusTexts& texts) {
    SetText(device, texts.device);
    SetText(markers, texts.markers);
    markers->setVisible(!texts.markers.isEmpty());
    SetText(position, texts.position);
    SetText(time, texts.time);
    SetText(tempo, texts.tempo);
}

StatusTexts PlayerStatusBar::Shown() const {
    return {position->text(), time->text(), tempo->text(), device->text(), markers->text()};
}
