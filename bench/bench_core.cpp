// In-process costs of the capture path and of drawing the list, without a display server.
//   build/bench/bench_core            (QT_QPA_PLATFORM=offscreen is set by the program itself)
#include "capture.h"
#include "clipstore.h"
#include "datafiles.h"
#include "gridmodel.h"
#include "gridview.h"
#include "profilefile.h"
#include "programpictures.h"
#include "scriptedclipboard.h"
#include "scripteddialogs.h"
#include "settings.h"
#include "testpictures.h"

#include <QApplication>
#include <QBuffer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
struct World
{
    GridModel grid;
    ClipStore store{grid, makeKindIcons()};
    ScriptedClipboard clipboard;
    ScriptedDialogs dialogs;
    Capture capture{store, clipboard, dialogs};
    World()
    {
        store.setItemLimit(100);
        capture.ownWriteGuard = true;
    }
};

QImage photoLike(int w, int h, quint32 seed)
{
    QImage img(w, h, QImage::Format_RGB32);
    quint32 x = seed;
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int i = 0; i < w; ++i) {
            x = x * 1664525u + 1013904223u;
            // Smooth gradients with a little noise, like a photo or a screenshot.
            line[i] = qRgb((i * 255 / w + (x >> 29)) & 0xff, (y * 255 / h + (x >> 30)) & 0xff, ((i + y) >> 3) & 0xff);
        }
    }
    return img;
}

void captureOffer(benchmark::State& state, const QHash<QString, QByteArray>& offer)
{
    World w;
    int n = 0;
    for (auto _ : state) {
        // Make every run a new item: a different list each time.
        state.PauseTiming();
        w.store.clearAll();
        w.clipboard.current = offer;
        state.ResumeTiming();
        benchmark::DoNotOptimize(w.capture.captureClipboard());
        ++n;
    }
    state.counters["items"] = w.store.itemCount();
}

void BM_CaptureShortText(benchmark::State& state)
{
    captureOffer(state, {{"text/plain", "a short line of text"}});
}
BENCHMARK(BM_CaptureShortText)->Unit(benchmark::kMicrosecond);

void BM_CaptureText1MiB(benchmark::State& state)
{
    captureOffer(state, {{"text/plain", QByteArray(1 << 20, 'x')}});
}
BENCHMARK(BM_CaptureText1MiB)->Unit(benchmark::kMillisecond);

void BM_CapturePicture1080p(benchmark::State& state)
{
    captureOffer(state, {{"image/png", png(photoLike(1920, 1080, 1))}});
}
BENCHMARK(BM_CapturePicture1080p)->Unit(benchmark::kMillisecond);

void BM_CapturePicture1080pFromBmp(benchmark::State& state)
{
    QByteArray bmp;
    QBuffer b(&bmp);
    b.open(QIODevice::WriteOnly);
    photoLike(1920, 1080, 2).save(&b, "BMP");
    captureOffer(state, {{"image/bmp", bmp}});
}
BENCHMARK(BM_CapturePicture1080pFromBmp)->Unit(benchmark::kMillisecond);

// A full list of 100 items, 20 of them 1920x1080 pictures: the bytes the pictures take in memory.
void BM_HeldPictureBytes(benchmark::State& state)
{
    World w;
    for (int i = 0; i < 80; ++i)
        w.clipboard.current = {{"text/plain", QByteArray("text item ") + QByteArray::number(i)}},
        w.capture.captureClipboard();
    for (int i = 0; i < 20; ++i) {
        w.clipboard.current = {{"image/png", png(photoLike(1920, 1080, 100 + quint32(i)))}};
        w.capture.captureClipboard();
    }
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (int r = 0; r < w.grid.rows(); ++r)
            bytes += w.grid.cellPicture(r, 1).encoded().size();
    }
    state.counters["items"] = w.store.itemCount();
    state.counters["picture_MB"] = double(bytes) / (1024.0 * 1024.0);
    state.counters["decoded_MB"] = 20.0 * 1920 * 1080 * 4 / (1024.0 * 1024.0);
}
BENCHMARK(BM_HeldPictureBytes)->Iterations(1)->Unit(benchmark::kMillisecond);

// One paint of a list of twenty items that all carry `label`.
void paintList(benchmark::State& state, const QString& label)
{
    GridModel grid;
    grid.setRows(20);
    for (int r = 0; r < 20; ++r) {
        grid.setTextMatrix(r, 0, label);
        grid.setRowData(r, "Text");
    }
    GridView view(grid);
    view.resize(view.width(), 400);
    QImage target(view.size(), QImage::Format_RGB32);
    for (auto _ : state)
        view.render(&target);
}

void BM_PaintHugeLabels(benchmark::State& state)
{
    paintList(state, QString(10 * 1024 * 1024, QLatin1Char('w')));
}
BENCHMARK(BM_PaintHugeLabels)->Unit(benchmark::kMillisecond);

void BM_PaintShortLabels(benchmark::State& state)
{
    paintList(state, QStringLiteral("a short label"));
}
BENCHMARK(BM_PaintShortLabels)->Unit(benchmark::kMillisecond);

// The autosave of a full list: 100 items, 20 of them 1920x1080 pictures.
struct AutosaveWorld : World
{
    QTemporaryDir dir;
    Settings settings{store, capture, dir.filePath("bench.ini"), dir.path(), Picture(), Picture()};
    DataFiles files{store, settings, dialogs, dir.path(), dir.path(), "bench"};
    AutosaveWorld()
    {
        settings.processRunning = [](const QString&) { return false; };
        ProfileFile::write(settings.settingsPath(), "SBOptions", "pro", "100");
        settings.LoadOptions();
        for (int i = 0; i < 20; ++i) {
            clipboard.current = {{"image/png", png(photoLike(1920, 1080, 500 + quint32(i)))}};
            capture.captureClipboard();
        }
        for (int i = 0; i < 80; ++i) {
            clipboard.current = {
                {"text/plain", QByteArray("a text item of some length, number ") + QByteArray::number(i)}};
            capture.captureClipboard();
        }
    }
};

void BM_AutosaveWrite(benchmark::State& state)
{
    AutosaveWorld w;
    for (auto _ : state)
        benchmark::DoNotOptimize(w.files.writeAutosave());
    state.counters["items"] = w.store.itemCount();
}
BENCHMARK(BM_AutosaveWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AutosaveRestore(benchmark::State& state)
{
    AutosaveWorld w;
    for (auto _ : state) {
        state.PauseTiming();
        w.files.writeAutosave();
        w.store.clearAll();
        state.ResumeTiming();
        benchmark::DoNotOptimize(w.files.restoreAutosave());
    }
    state.counters["items"] = w.store.itemCount();
}
BENCHMARK(BM_AutosaveRestore)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
