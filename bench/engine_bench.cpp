// Whole capture cycles from the test-pattern device with default settings: wall and CPU time per cycle,
// peak memory, and whether memory grows over many cycles. Each cycle starts at a random phase of the
// camera's frame period, as a scheduled capture does.

#include "CaptureEngine.h"
#include "KorvexVideoDevice.h"
#include "Naming.h"
#include "SettingsFile.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>
#include <random>

using namespace quorvin;

namespace {

void EnsureApplication() {
  if (qApp) return;
  mallopt(M_MMAP_THRESHOLD, 1 << 20);  // as the program sets it
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The capture control keeps each device's format in the config folder, as a driver would: keep the
  // sizes the benchmarks set out of the user's own.
  static QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  static int argc = 1;
  static char name[] = "quorvin18-bench";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
}

// Kibibytes of a /proc/self/status field (VmRSS, VmHWM).
double StatusKiB(const char* field) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(field))
      return line.mid(static_cast<qsizetype>(strlen(field)) + 1).trimmed().split(' ')[0].toDouble();
  return 0;
}

struct Recorder {
  QTemporaryDir dir;
  Settings settings;
  NamingState naming;
  ImagingControls controls;
  NullCaptureHost host;
  std::unique_ptr<korvex::CKorvexCtrl> korvex;
  std::unique_ptr<KorvexVideoDevice> video;
  std::unique_ptr<CaptureEngine> engine;

  Recorder(int width, int height, bool preview) {
    EnsureApplication();
    LoadOptions options;
    options.refresh = [this](Settings& s) { DeriveNameFormats(s, naming); };
    LoadSettings(settings, QStringLiteral("/nonexistent/quorvin18.ini"), options);
    settings.NetworkPath = dir.filePath(QStringLiteral("live/"));
    settings.histPath = dir.filePath(QStringLiteral("hist/"));
    settings.ch1[Switch::HistoryImage] = settings.ch1[Switch::HistoryThumbnail] = 1;
    korvex = std::make_unique<korvex::CKorvexCtrl>();
    for (int i = 0; i < korvex->GetNumDrivers(); ++i)
      if (korvex->DeviceNameList(i).startsWith(QStringLiteral("Test Pattern"))) korvex->SetDeviceIndex(i);
    korvex->SetVideoWidth(width);
    korvex->SetVideoHeight(height);
    korvex->SetPreview(preview);
    video = std::make_unique<KorvexVideoDevice>(*korvex);
    controls.LEAD1[0].SetWidth(static_cast<float>(video->VideoWidth() * 15));
    controls.LEAD1[0].SetHeight(static_cast<float>(video->VideoHeight() * 15));
    engine = std::make_unique<CaptureEngine>(settings, naming, controls, video.get(), host);
    BuildHistoryNames(settings, naming);
    engine->SaveLiveImages();  // the first grab starts the device
  }
};

// Lets the event loop run for a random part of a frame period, so that each grab starts at a random phase
// of the camera's frames, as the scheduler's grabs do. Not timed.
void RandomPhase(benchmark::State& state, std::mt19937& random) {
  state.PauseTiming();
  const QDeadlineTimer until(std::uniform_int_distribution<int>(0, 33)(random));
  while (!until.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  state.ResumeTiming();
}

void Report(benchmark::State& state) {
  state.counters["peak_MiB"] = StatusKiB("VmHWM:") / 1024.0;
  state.counters["rss_MiB"] = StatusKiB("VmRSS:") / 1024.0;
}

void BM_LiveCycle(benchmark::State& state) {
  Recorder r(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), state.range(2) != 0);
  std::mt19937 random(1);
  for (auto _ : state) {
    RandomPhase(state, random);
    r.engine->SaveLiveImages();
  }
  Report(state);
}

void BM_HistoryCycle(benchmark::State& state) {
  Recorder r(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), state.range(2) != 0);
  std::mt19937 random(2);
  for (auto _ : state) {
    RandomPhase(state, random);
    r.engine->SaveHistoryImages();
  }
  Report(state);
}

// Many live cycles back to back with the preview on but unseen, as the headless recorder runs: the
// resident size after the first hundred and at the end, and the peak.
void BM_LiveCycleMemory(benchmark::State& state) {
  Recorder r(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), true);
  r.korvex->SetPreviewSeen(false);
  const int64_t cycles = state.range(2);
  double after100 = 0, halfway = 0;
  for (auto _ : state) {
    for (int64_t i = 0; i < cycles; ++i) {
      r.engine->SaveLiveImages();
      if (i == 99) after100 = StatusKiB("VmRSS:");
      if (i == cycles / 2) halfway = StatusKiB("VmRSS:");
    }
  }
  state.counters["rss_after_100_MiB"] = after100 / 1024.0;
  state.counters["rss_at_end_MiB"] = StatusKiB("VmRSS:") / 1024.0;
  // Growth in each half: a leak grows alike in both, warming caches only in the first.
  state.counters["growth_first_half_KiB"] = halfway - after100;
  state.counters["growth_second_half_KiB"] = StatusKiB("VmRSS:") - halfway;
  Report(state);
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int preview : {1, 0}) {
    b->Args({640, 480, preview});
    b->Args({1920, 1080, preview});
    b->Args({3840, 2160, preview});
  }
  b->ArgNames({"w", "h", "preview"});
  b->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
}

BENCHMARK(BM_LiveCycle)->Apply(Sizes);
BENCHMARK(BM_HistoryCycle)->Apply(Sizes);
BENCHMARK(BM_LiveCycleMemory)
    ->Args({640, 480, 1000})
    ->Args({1920, 1080, 10000})
    ->ArgNames({"w", "h", "cycles"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
