// One repaint of the chord display into an image: the empty grid, four diagrams with titles and
// positions, and the header, with the timeline place kept between paints as during playback.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "Misc/ChordAnalysis.h"
#include "Misc/ChordDictionary.h"
#include "app/ChordDisplay.h"
#include "framework/CDC.h"
#include "midi/CMidiSync.h"

namespace {

QApplication& Application() {
    static int argc = 1;
    static char name[] = "bench_app_chord_display";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// A song's worth of chords, all at times before the first one: every slot is filled.
void FillTimeline(int entries) {
    const int chords[] = {0x091, 0x211, 0x221, 0x0A4};  // C, Am, F, G
    chordTimeline.Clear();
    for (int i = 0; i < entries; ++i)
        chordTimeline.Append(static_cast<uint32_t>(480 * (i + 1)), Chord(chords[i % 4]));
    ResetChordDisplayCursor();
}

void BM_ChordDisplayRepaint(benchmark::State& state) {
    Application();
    BuildChordDictionary();
    FillTimeline(static_cast<int>(state.range(0)));
    CBeatSync clock;  // position 0: the first chords are shown
    QImage image(760, 420, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        CDC dc(painter);
        DrawChordDisplay(dc, clock);
        benchmark::DoNotOptimize(image.constBits());
    }
    // TABULON_SAVE_DISPLAY=<file.png> keeps the last paint for a look at the layout.
    if (const char* path = std::getenv("TABULON_SAVE_DISPLAY"))
        image.save(QString::fromLocal8Bit(path));
}
BENCHMARK(BM_ChordDisplayRepaint)->Arg(4)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
