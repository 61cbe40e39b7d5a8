#include "res/MainFrameResources.h"

#include <QtGlobal>

#include "res/Resource.h"

// The compiled-in resources live in a static library: naming their initialiser here keeps the
// linker from dropping them.
void InitResources() {
    Q_INIT_RESOURCE(tabulon);
}

QString MainDocumentString() {
    return QStringLiteral("Tabulon\n\nTabulon\n\n\nTabulon.Document\nTabulon Document");
}

std::vector<framework::MenuItem> MainMenuTable() {
    using M = framework::MenuItem;
    return {
        M::Popup("&File", {M::Command(ID_FILE_OPEN, "&Open...\tCtrl+O"), M::Separator(),
                           M::Command(ID_FILE_MRU_FILE1, "Recent File", MF_GRAYED), M::Separator(),
                           M::Command(ID_APP_EXIT, "E&xit")}),
        M::Popup("&Settings",
                 {M::Command(ID_SETTINGS_MUTE, "Mute..."),
                  M::Command(ID_SETTINGS_TRANSPOSE, "Transpose..."),
                  M::Command(ID_SETTINGS_SET_TEMPO, "Set T&empo..."),
                  M::Command(ID_SETTINGS_SET_RESOLUTION, "Set &Resolution..."),
                  M::Popup("Timer &Period", {M::Command(ID_TIMER_PERIOD_1, "&1 Millisecond"),
                                             M::Command(ID_TIMER_PERIOD_10, "1&0 Milliseconds")}),
                  M::Command(ID_SETTINGS_LOGGING, "Logging...")}),
        M::Popup("&Play", {M::Command(ID_PLAY_START, "&Start\tCtrl+P"),
                           M::Command(ID_PLAY_PAUSE, "Pause"), M::Command(ID_PLAY_STOP, "S&top")}),
        M::Popup("Monitor", {M::Command(ID_MONITOR_CHANNELS, "&Channels..."),
                             M::Command(ID_MONITOR_TRACKS, "&Tracks...")}),
        M::Popup("&Help", {M::Command(ID_APP_ABOUT, "&About Tabulon")}),
    };
}

QString ChordsMenuLabel() {
    return QStringLiteral("&Chords");
}

std::vector<framework::MenuItem> ChordsMenuTable() {
    using M = framework::MenuItem;
    return {
        M::Command(ID_CHORDS_GUITARIST_VIEW, "&Guitarist View"),
        M::Separator(),
        M::Command(ID_CHORDS_LARGE_VIEW, "&Large Chord View"),
        M::Command(ID_CHORDS_ALL_FINGERINGS, "&Fingering for Every Chord"),
        M::Command(ID_CHORDS_STEADY, "&Steadier Chords (Strums, No Drums)"),
        M::Popup("&Minimum Chord Length", {M::Command(ID_CHORDS_MIN_LENGTH_OFF, "&Off"),
                                           M::Command(ID_CHORDS_MIN_LENGTH_HALF_BEAT, "&1/2 Beat"),
                                           M::Command(ID_CHORDS_MIN_LENGTH_BEAT, "1 &Beat"),
                                           M::Command(ID_CHORDS_MIN_LENGTH_TWO_BEATS, "&2 Beats"),
                                           M::Command(ID_CHORDS_MIN_LENGTH_BAR, "1 Ba&r")}),
        M::Command(ID_CHORDS_GUITAR_NAMES, "Guitarist &Names (Am7, D/F#, Bb)"),
        M::Command(ID_CHORDS_MORE_TYPES, "&More Chord Types"),
    };
}

std::vector<framework::ToolBarButton> ChordsToolBarButtons() {
    return {{ID_TOOLBAR_GUITARIST_VIEW, ":/toolbar/guitarist.svg", "Guitarist View"}};
}

QString PracticeMenuLabel() {
    return QStringLiteral("P&ractice");
}

std::vector<framework::MenuItem> PracticeMenuTable() {
    using M = framework::MenuItem;
    return {
        M::Command(ID_PRACTICE_PLAY_PAUSE, "&Play/Pause\tSpace"),
        M::Command(ID_PRACTICE_REWIND, "&Rewind\tHome"),
        M::Command(ID_PRACTICE_BAR_BACK, "Bar Bac&k\tLeft"),
        M::Command(ID_PRACTICE_BAR_FORWARD, "Bar &Forward\tRight"),
        M::Separator(),
        M::Popup("&Speed", {M::Command(ID_PRACTICE_SPEED_50, "&50 %"),
                            M::Command(ID_PRACTICE_SPEED_75, "&75 %"),
                            M::Command(ID_PRACTICE_SPEED_100, "&100 %"),
                            M::Command(ID_PRACTICE_SPEED_125, "1&25 %"), M::Separator(),
                            M::Command(ID_PRACTICE_SLOWER, "&Slower (-5 %)\t["),
                            M::Command(ID_PRACTICE_FASTER, "&Faster (+5 %)\t]")}),
        M::Separator(),
        M::Command(ID_PRACTICE_LOOP_SET_A, "Loop Start (&A) at This Bar"),
        M::Command(ID_PRACTICE_LOOP_SET_B, "Loop End (&B) at This Bar"),
        M::Command(ID_PRACTICE_LOOP_BARS, "L&oop Bars..."),
        M::Command(ID_PRACTICE_LOOP, "&Loop"),
        M::Separator(),
        M::Command(ID_PRACTICE_COUNT_IN, "&Count-in"),
    };
}

std::vector<framework::Accelerator> PracticeAcceleratorTable() {
    return {
        {"Space", ID_PRACTICE_PLAY_PAUSE}, {"Home", ID_PRACTICE_REWIND},
        {"Left", ID_PRACTICE_BAR_BACK},    {"Right", ID_PRACTICE_BAR_FORWARD},
        {"[", ID_PRACTICE_SLOWER},         {"]", ID_PRACTICE_FASTER},
    };
}

std::vector<framework::ToolBarButton> PracticeToolBarButtons() {
    return {
        {ID_TOOLBAR_REWIND, ":/toolbar/rewind.svg", "Rewind (Home)"},
        {ID_TOOLBAR_SLOWER, ":/toolbar/slower.svg", "Slower ([)"},
        {ID_TOOLBAR_FASTER, ":/toolbar/faster.svg", "Faster (])"},
        {ID_TOOLBAR_LOOP, ":/toolbar/loop.svg", "Loop"},
        {ID_TOOLBAR_COUNT_IN, ":/toolbar/countin.svg", "Count-in"},
    };
}

std::vector<framework::Accelerator> MainAcceleratorTable() {
    return {
        {"Ctrl+N", ID_FILE_NEW},      {"Ctrl+O", ID_FILE_OPEN},   {"Ctrl+P", ID_PLAY_START},
        {"Ctrl+S", ID_FILE_SAVE},     {"Ctrl+C", ID_EDIT_COPY},   {"Ctrl+Ins", ID_EDIT_COPY},
        {"Ctrl+X", ID_EDIT_CUT},      {"Shift+Del", ID_EDIT_CUT}, {"Ctrl+V", ID_EDIT_PASTE},
        {"Shift+Ins", ID_EDIT_PASTE}, {"Ctrl+Z", ID_EDIT_UNDO},   {"Alt+Backspace", ID_EDIT_UNDO},
        {"F6", ID_NEXT_PANE},         {"Shift+F6", ID_PREV_PANE},
    };
}

std::vector<framework::ToolBarButton> MainToolBarButtons() {
    return {
        {ID_FILE_OPEN, ":/toolbar/open.svg", "Open"},
        {ID_TOOLBAR_STOP, ":/toolbar/stop.svg", "Stop"},
        {ID_TOOLBAR_PLAY, ":/toolbar/play.svg", "Play"},
        {ID_TOOLBAR_PAUSE, ":/toolbar/pause.svg", "Pause"},
        {ID_TOOLBAR_TRANSPOSE, ":/toolbar/transpose.svg", "Transpose"},
        {ID_TOOLBAR_MUTE, ":/toolbar/mute.svg", "Mute"},
        {ID_TOOLBAR_MONITOR_TRACKS, ":/toolbar/tracks.svg", "Monitor Tracks"},
        {ID_TOOLBAR_MONITOR_CHANNELS, ":/toolbar/channels.svg", "Monitor Channels"},
        {ID_TOOLBAR_SET_TEMPO, ":/toolbar/tempo.svg", "Set Tempo"},
        {ID_TOOLBAR_LOGGING, ":/toolbar/log.svg", "Logging"},
    };
}

QString ApplicationIconPath() {
    return QStringLiteral(":/icons/tabulon.svg");
}

framework::FrameResources MainFrameResources() {
    std::vector<framework::Accelerator> keys = MainAcceleratorTable();
    for (framework::Accelerator& key : PracticeAcceleratorTable())
        keys.push_back(std::move(key));
    return {MainDocumentString(), MainMenuTable(), std::move(keys), ApplicationIconPath()};
}

framework::DialogTemplate AboutBoxTemplate() {
    using K = framework::ControlKind;
    return {
        "About Tabulon",
        233,
        130,
        {
            {K::Icon, IDC_STATIC, ApplicationIconPath(), 11, 17, 20, 20},
            {K::Static, IDC_STATIC, QStringLiteral("Tabulon Version %1").arg(kTabulonVersion), 40,
             10, 119, 8},
            {K::Static, IDC_STATIC, "A MIDI file player for guitarists:", 40, 30, 180, 8},
            {K::Static, IDC_STATIC, "it shows the chords of the song as it plays.", 40, 40, 180, 8},
            {K::Static, IDC_STATIC, "Chord diagrams follow the monitored channels", 40, 56, 180, 8},
            {K::Static, IDC_STATIC, "and tracks; settings apply at the next Play.", 40, 66, 180, 8},
            {K::Static, IDC_VERSION_LABEL, "", 41, 87, 119, 8},
            {K::DefPushButton, IDOK, "OK", 194, 7, 32, 14},
        }};
}

QStringList OpenFileFilters() {
    return {QStringLiteral("MIDI files (*.mid *.midi *.kar *.rmi)"),
            QStringLiteral("All Files (*)")};
}
