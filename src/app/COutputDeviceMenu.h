#pragma once
// COutputDeviceMenu: the "&Output Device" popup of the main menu, one item per output device the
// library reports (identifier firstMenuId + device number, the description as text) plus the MIDI
// mapper item when the library describes device 0xFFFF. BuildMenu also picks the default device:
// the last one whose description contains "Synth" (case-sensitive), else device 0.
//
// SelectDevice takes a device number (0 .. deviceCount, where deviceCount stands for the mapper)
// or a command identifier (firstMenuId .. firstMenuId + deviceCount). For the chosen item it
// resets and closes the output's device, opens the new one with flags 0x33320 and checks the
// item when that open succeeded; every other item is unchecked. It returns 1 when it acted, 0 for
// values outside both ranges or with no output attached. The popup belongs to the menu bar.
//
// SetDeviceNote adds a note to one device's item, "Tabulon Synth (PulseAudio)", and takes the
// notes off all others, so that only the device in use says what it is doing.

#include <QString>
#include <QStringList>
#include <cstdint>

#include "framework/CMenu.h"

class CMidiOut;

// The device that BuildMenu chose; 0 at program start.
extern int32_t defaultOutputDevice;

class COutputDeviceMenu {
  public:
    static constexpr uint32_t kOpenFlags = 0x33320;

    COutputDeviceMenu() = default;
    virtual ~COutputDeviceMenu() = default;
    COutputDeviceMenu(const COutputDeviceMenu&) = delete;
    COutputDeviceMenu& operator=(const COutputDeviceMenu&) = delete;

    void BuildMenu(CMenu* menuBar, int position, const QString& label, int firstId);
    virtual int SelectDevice(int value);
    void SetDeviceNote(int device, const QString& note);
    // The number of the device item whose description is `description`; -1 when none is.
    int FindDevice(const QString& description) const {
        return int(descriptions.indexOf(description));
    }

    const CMenu& Popup() const { return popup; }
    int32_t DeviceCount() const { return deviceCount; }
    uint16_t MapperId() const { return mapperId; }
    int32_t FirstMenuId() const { return firstMenuId; }

    CMidiOut* output = nullptr;

  private:
    CMenu popup;
    int32_t deviceCount = 0;
    uint16_t mapperId = 0;
    int32_t firstMenuId = 0;
    QStringList descriptions;  // of the device items, by device number
};
