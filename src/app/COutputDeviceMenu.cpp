#include "app/COutputDeviceMenu.h"

#include <cstring>

#include "midi/CMidiOut.h"
#include "midi/MidiLib.h"

int32_t defaultOutputDevice = 0;

namespace {

constexpr size_t kDescriptionBytes = 32;

}  // namespace

void COutputDeviceMenu::BuildMenu(CMenu* menuBar, int position, const QString& label, int firstId) {
    popup.CreateMenu();
    firstMenuId = firstId;
    if (menuBar)
        menuBar->InsertMenu(static_cast<unsigned>(position), MF_BYPOSITION | MF_POPUP, popup,
                            label);
    deviceCount = GetNumOutDevices();
    descriptions.clear();
    for (uint16_t d = 0; d < static_cast<uint32_t>(deviceCount); ++d) {
        char description[kDescriptionBytes] = {};
        GetMidiOutDescription(d, description);
        description[kDescriptionBytes - 1] = '\0';
        if (std::strstr(description, "Synth")) defaultOutputDevice = d;
        descriptions << QString::fromLocal8Bit(description);
        popup.AppendMenu(MF_STRING, static_cast<unsigned>(firstMenuId + d), descriptions.back());
    }
    mapperId = 0;
    char mapper[kDescriptionBytes] = {};
    if (GetMidiOutDescription(MIDI_MAPPER_DEVICE, mapper) == 1) {
        mapper[kDescriptionBytes - 1] = '\0';
        const unsigned id = static_cast<unsigned>(firstMenuId + deviceCount);
        popup.AppendMenu(MF_STRING, id, QString::fromLocal8Bit(mapper));
        mapperId = static_cast<uint16_t>(id);
    }
}

int COutputDeviceMenu::SelectDevice(int value) {
    if (!output) return 0;
    if (value > deviceCount && value < firstMenuId) return 0;
    if (value > firstMenuId + deviceCount) return 0;
    if (value <= deviceCount) value += firstMenuId;

    const int lastId = mapperId != 0 ? static_cast<int>(mapperId) : firstMenuId + deviceCount - 1;
    for (int j = firstMenuId; j <= lastId; ++j) {
        if (j == value) {
            output->Reset();
            output->Close();
            const uint16_t device = value == mapperId && mapperId != 0
                                        ? MIDI_MAPPER_DEVICE
                                        : static_cast<uint16_t>(value - firstMenuId);
            const int opened = output->Open(device, kOpenFlags);
            popup.CheckMenuItem(static_cast<unsigned>(j), opened ? MF_CHECKED : MF_UNCHECKED);
        } else {
            popup.CheckMenuItem(static_cast<unsigned>(j), MF_UNCHECKED);
        }
    }
    return 1;
}

void COutputDeviceMenu::SetDeviceNote(int device, const QString& note) {
    for (int d = 0; d < descriptions.size(); ++d) {
        const bool noted = d == device && !note.isEmpty();
        popup.SetMenuItemText(
            static_cast<unsigned>(firstMenuId + d),
            noted ? QStringLiteral("%1 (%2)").arg(descriptions[d], note) : descriptions[d]);
    }
}
