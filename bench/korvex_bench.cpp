// Grab latency of the capture control from the test device, and what a running preview costs.
#include <benchmark/benchmark.h>
#include <korvex/KorvexCtrl.h>
#include <korvex/TestPatternDevice.h>

#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <random>
#include <thread>

namespace {

class OneDevice : public korvex::DeviceSource {
 public:
  std::vector<std::shared_ptr<korvex::CaptureDevice>> Enumerate() override {
    auto device = std::make_shared<korvex::TestPatternDevice>();
    device->SetControl(QStringLiteral("motion"), 4);
    return {device};
  }
};

// One application and a private config folder, so the format changes never reach the user's devices.ini.
void EnsureApplication() {
  static QTemporaryDir config;
  if (QCoreApplication::instance()) return;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "quorvin18-bench";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

std::unique_ptr<korvex::CKorvexCtrl> MakeControl(int width, int height) {
  EnsureApplication();
  auto control = std::make_unique<korvex::CKorvexCtrl>(nullptr, std::make_shared<OneDevice>());
  control->SetVideoWidth(width);
  control->SetVideoHeight(height);
  return control;
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void GrabToDeviceContext(benchmark::State& state, bool preview, bool randomPhase = false) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  auto control = MakeControl(width, height);
  control->SetPreview(preview);
  QImage host(width, height, QImage::Format_RGB32);
  const auto dc = reinterpret_cast<qintptr>(&host);
  if (!control->CopyDIB(dc)) state.SkipWithError("no frame from the test device");
  int failures = 0;
  double slowest = 0;
  std::mt19937 random(42);
  std::uniform_int_distribution<int> phase_us(0, 33333);
  for (auto _ : state) {
    if (randomPhase) {
      // A host's grabs (the 500 ms scheduler) fall anywhere within a frame period.
      state.PauseTiming();
      std::this_thread::sleep_for(std::chrono::microseconds(phase_us(random)));
      state.ResumeTiming();
    }
    const auto start = std::chrono::steady_clock::now();
    failures += control->CopyDIB(dc) ? 0 : 1;
    slowest = std::max(
        slowest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["failures"] = failures;
  state.counters["max_ms"] = slowest;
  state.counters["frame_period_ms"] = 1000.0 / 30.0;
}

void BM_KorvexGrabPreviewOn(benchmark::State& state) {
  GrabToDeviceContext(state, true);
}
void BM_KorvexGrabPreviewOff(benchmark::State& state) {
  GrabToDeviceContext(state, false);
}
void BM_KorvexGrabPreviewOnRandomPhase(benchmark::State& state) {
  GrabToDeviceContext(state, true, true);
}

#define KORVEX_SIZES Args({640, 480})->Args({1920, 1080})->Args({3840, 2160})
BENCHMARK(BM_KorvexGrabPreviewOn)->KORVEX_SIZES->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_KorvexGrabPreviewOnRandomPhase)
    ->KORVEX_SIZES->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK(BM_KorvexGrabPreviewOff)->KORVEX_SIZES->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// CPU the whole process spends per second of live preview at 1920 x 1080, 30 fps, painted at 15 fps.
void BM_KorvexPreviewCpu1080p(benchmark::State& state) {
  auto control = MakeControl(1920, 1080);
  control->resize(1920, 1080);
  control->show();
  control->SetPreview(true);
  double cpu = 0;
  double wall = 0;
  for (auto _ : state) {
    QEventLoop loop;
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    const double start = CpuSeconds();
    loop.exec();
    cpu += CpuSeconds() - start;
    wall += 1.0;
  }
  state.counters["cpu_ms_per_s"] = 1000.0 * cpu / wall;
}
BENCHMARK(BM_KorvexPreviewCpu1080p)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
