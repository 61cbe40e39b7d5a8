#include "settings/SettingsDialogTemplates.h"

#include "res/Resource.h"

namespace settings {

namespace {

using K = framework::ControlKind;

// OK above Cancel in a column at the right edge of a dialog `width` units wide.
void AddOkCancelColumn(framework::DialogTemplate& dialog, int width) {
    dialog.controls.push_back(
        {K::DefPushButton, IDOK, QStringLiteral("OK"), width - 57, 7, 50, 14});
    dialog.controls.push_back(
        {K::PushButton, IDCANCEL, QStringLiteral("Cancel"), width - 57, 24, 50, 14});
}

// Select All, Deselect All, OK, Cancel in a row at height y.
void AddButtonRow(framework::DialogTemplate& dialog, int y, unsigned selectAll,
                  unsigned deselectAll) {
    dialog.controls.push_back(
        {K::PushButton, selectAll, QStringLiteral("Select All"), 7, y, 44, 14});
    dialog.controls.push_back(
        {K::PushButton, deselectAll, QStringLiteral("Deselect All"), 55, y, 44, 14});
    dialog.controls.push_back({K::DefPushButton, IDOK, QStringLiteral("OK"), 103, y, 44, 14});
    dialog.controls.push_back({K::PushButton, IDCANCEL, QStringLiteral("Cancel"), 151, y, 44, 14});
}

framework::DialogControl TrackList(int x, int y, int cx, int cy) {
    return {K::ListBox, IDC_TRACK_LIST, QString(), x, y, cx, cy, LBS_MULTIPLESEL};
}

framework::DialogTemplate ValueTemplate(const QString& title, const QString& label, unsigned editId,
                                        const QString& unit) {
    framework::DialogTemplate dialog{title, 150, 46, {}};
    dialog.controls.push_back({K::Static, IDC_STATIC, label, 7, 7, 60, 8});
    dialog.controls.push_back({K::Edit, editId, QString(), 7, 18, 50, 14});
    dialog.controls.push_back({K::Static, IDC_STATIC, unit, 61, 21, 24, 8});
    AddOkCancelColumn(dialog, dialog.cx);
    return dialog;
}

}  // namespace

const framework::DialogTemplate& SetTempoTemplate() {
    static const framework::DialogTemplate dialog = ValueTemplate(
        QStringLiteral("Set Tempo"), QStringLiteral("Tempo:"), IDC_TEMPO, QStringLiteral("BPM"));
    return dialog;
}

const framework::DialogTemplate& SetResolutionTemplate() {
    static const framework::DialogTemplate dialog =
        ValueTemplate(QStringLiteral("Set Resolution"), QStringLiteral("Resolution:"),
                      IDC_RESOLUTION, QStringLiteral("TPB"));
    return dialog;
}

const framework::DialogTemplate& LoggingTemplate() {
    static const framework::DialogTemplate dialog = [] {
        framework::DialogTemplate d{QStringLiteral("Logging"), 260, 104, {}};
        d.controls.push_back({K::Static, IDC_STATIC, QStringLiteral("Logfile:"), 7, 10, 28, 8});
        d.controls.push_back({K::Edit, IDC_LOG_FILE, QString(), 37, 7, 156, 14});
        const struct {
            unsigned id;
            const char* text;
        } boxes[] = {{IDC_LOG_ENABLE, "Enable Logging"},
                     {IDC_LOG_NOTES, "Log All Monitored Notes"},
                     {IDC_LOG_CHORDS, "Log All Monitored Recognized Chords"},
                     {IDC_LOG_MIDI_EVENTS, "Log All Midi Events"},
                     {IDC_LOG_TRACK_INFO, "Log Track Information"}};
        int y = 28;
        for (const auto& box : boxes) {
            d.controls.push_back(
                {K::CheckBox, box.id, QString::fromLatin1(box.text), 7, y, 186, 10});
            y += 14;
        }
        AddOkCancelColumn(d, d.cx);
        return d;
    }();
    return dialog;
}

const framework::DialogTemplate& MonitorChannelsTemplate() {
    static const framework::DialogTemplate dialog = [] {
        framework::DialogTemplate d{QStringLiteral("Monitor Midi Channels"), 202, 104, {}};
        d.controls.push_back(
            {K::GroupBox, IDC_STATIC, QStringLiteral("MIDI Channels To Monitor"), 7, 7, 188, 68});
        for (int channel = 0; channel < 16; ++channel) {
            const QString label =
                channel == 5 ? QStringLiteral(" 6") : QString::number(channel + 1);
            const int column = channel % 4;
            const int row = channel / 4;
            d.controls.push_back({K::CheckBox, IDC_CHANNEL_CHECKS[channel], label, 19 + column * 44,
                                  20 + row * 13, 30, 10});
        }
        AddButtonRow(d, 83, IDC_CHANNELS_SELECT_ALL, IDC_CHANNELS_DESELECT_ALL);
        return d;
    }();
    return dialog;
}

const framework::DialogTemplate& MonitorTracksTemplate() {
    static const framework::DialogTemplate dialog = [] {
        framework::DialogTemplate d{QStringLiteral("Monitor Tracks"), 236, 156, {}};
        d.controls.push_back({K::Static, IDC_STATIC,
                              QStringLiteral("Select The Track(s) you wish to monitor"), 7, 7, 164,
                              8});
        d.controls.push_back({K::Static, IDC_STATIC,
                              QStringLiteral("(initially all tracks are selected)"), 7, 17, 164,
                              8});
        d.controls.push_back(TrackList(7, 29, 164, 120));
        d.controls.push_back({K::DefPushButton, IDOK, QStringLiteral("OK"), 179, 29, 50, 14});
        d.controls.push_back({K::PushButton, IDCANCEL, QStringLiteral("Cancel"), 179, 46, 50, 14});
        d.controls.push_back(
            {K::PushButton, IDC_TRACKS_SELECT_ALL, QStringLiteral("Select All"), 179, 70, 50, 14});
        d.controls.push_back({K::PushButton, IDC_TRACKS_DESELECT_ALL,
                              QStringLiteral("Deselect All"), 179, 87, 50, 14});
        return d;
    }();
    return dialog;
}

const framework::DialogTemplate& MuteTracksTemplate() {
    static const framework::DialogTemplate dialog = [] {
        framework::DialogTemplate d{QStringLiteral("Mute Tracks"), 202, 160, {}};
        d.controls.push_back(
            {K::Static, IDC_STATIC, QStringLiteral("Select Tracks to Mute"), 7, 7, 188, 8});
        d.controls.push_back(TrackList(7, 19, 188, 114));
        AddButtonRow(d, 139, IDC_TRACKS_SELECT_ALL, IDC_TRACKS_DESELECT_ALL);
        return d;
    }();
    return dialog;
}

const framework::DialogTemplate& TransposeTracksTemplate() {
    static const framework::DialogTemplate dialog = [] {
        framework::DialogTemplate d{QStringLiteral("Transpose Tracks"), 202, 172, {}};
        d.controls.push_back(TrackList(7, 7, 188, 108));
        d.controls.push_back(
            {K::Static, IDC_STATIC, QStringLiteral("Transpose Amount:"), 7, 126, 72, 8});
        d.controls.push_back({K::Edit, IDC_TRANSPOSE_AMOUNT, QString(), 81, 123, 40, 14});
        AddButtonRow(d, 151, IDC_TRACKS_SELECT_ALL, IDC_TRACKS_DESELECT_ALL);
        return d;
    }();
    return dialog;
}

}  // namespace settings
