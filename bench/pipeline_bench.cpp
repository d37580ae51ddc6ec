// Imaging operations and the whole default live work on one frame, at three frame sizes. OpenCV runs on
// one thread here, so the figures are those of one core.

#include "ImageFiles.h"
#include "ImageOps.h"
#include "ImagingControls.h"
#include "Pipeline.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <benchmark/benchmark.h>

#include <cmath>
#include <functional>
#include <map>
#include <vector>

namespace {

using quorvin::ImagingControl;
using quorvin::ImagingControls;
using quorvin::Settings;

// Text drawing needs the GUI application; benchmarks run without a display.
void EnsureGui() {
  static int argc = 1;
  static char name[] = "quorvin18-bench";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(argc, argv);
  }
  cv::setNumThreads(1);
}

// A camera-like frame: smooth light with a little sensor noise.
cv::Mat CameraFrame(int width, int height) {
  cv::Mat small(9, 16, CV_8UC4);
  cv::RNG rng(42);
  rng.fill(small, cv::RNG::UNIFORM, 30, 220);
  cv::Mat frame;
  cv::resize(small, frame, cv::Size(width, height), 0, 0, cv::INTER_CUBIC);
  cv::Mat noise(frame.size(), CV_8UC4);
  rng.fill(noise, cv::RNG::NORMAL, 0, 4);
  cv::add(frame, noise, frame);
  cv::Mat x(frame.size(), CV_8U, cv::Scalar(255));
  const int fromTo[] = {0, 3};
  cv::mixChannels(&x, 1, &frame, 1, fromTo, 1);
  return frame;
}

const cv::Mat& FrameOfSize(int64_t width) {
  static std::map<int64_t, cv::Mat> frames;
  auto& f = frames[width];
  const int64_t height = width == 640 ? 480 : width * 9 / 16;
  if (f.empty()) f = CameraFrame(static_cast<int>(width), static_cast<int>(height));
  return f;
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(640)->Arg(1920)->Arg(3840)->Unit(benchmark::kMillisecond);
}

// One operation on a fresh copy of the frame each iteration; the copy is not timed.
void RunOperation(benchmark::State& state, const std::function<void(ImagingControl&)>& operation) {
  EnsureGui();
  const cv::Mat& frame = FrameOfSize(state.range(0));
  ImagingControl control;
  for (auto _ : state) {
    state.PauseTiming();
    control.SetPicture(frame.clone());
    state.ResumeTiming();
    operation(control);
    benchmark::DoNotOptimize(control.Picture().data);
  }
  state.SetLabel(std::to_string(frame.cols) + "x" + std::to_string(frame.rows));
}

#define QUORVIN_OPERATION(name, body)                 \
  void BM_##name(benchmark::State& state) {           \
    RunOperation(state, [](ImagingControl & c) body); \
  }                                                   \
  BENCHMARK(BM_##name)->Apply(Sizes)

QUORVIN_OPERATION(Rotate90, { c.Rotate(9000, true, 0); });
QUORVIN_OPERATION(Rotate10, { c.Rotate(1000, true, 0); });
QUORVIN_OPERATION(Flip, { c.Flip(); });
QUORVIN_OPERATION(Mirror, { c.Mirror(); });
QUORVIN_OPERATION(ResizeHalf, { c.Resize(c.ImageWidth() / 2, c.ImageHeight() / 2, 1); });
QUORVIN_OPERATION(Crop, { c.Crop(10, 10, c.ImageWidth() - 20, c.ImageHeight() - 20); });
QUORVIN_OPERATION(Invert, { c.Invert(); });
QUORVIN_OPERATION(Intensity, { c.Intensity(); });
QUORVIN_OPERATION(Sharpen800, { c.Sharpen(800); });
QUORVIN_OPERATION(Median8, { c.Median(8); });
QUORVIN_OPERATION(Oilify4, { c.Oilify(4); });
QUORVIN_OPERATION(Mosaic10, { c.Mosaic(10); });
QUORVIN_OPERATION(Average8, { c.Average(8); });
QUORVIN_OPERATION(Gamma150, { c.Gamma(150); });
QUORVIN_OPERATION(PlanesRgb, {
  c.SeparatePlanes(0);
  c.MergePlanes(0);
});
QUORVIN_OPERATION(PlanesCmyk, {
  c.SeparatePlanes(1);
  c.MergePlanes(1);
});
QUORVIN_OPERATION(ColorCorrectRgb, { quorvin::ColorCorrect(c, Settings{}); });
QUORVIN_OPERATION(StampDefault, {
  Settings s;
  quorvin::PrintTimeStamp2(c, s, quorvin::NamingState{});
});
QUORVIN_OPERATION(JpegEncodeQ25,
                  { benchmark::DoNotOptimize(quorvin::imaging::EncodeJpeg(c.Picture(), 24, 25).size()); });

void BM_Combine(benchmark::State& state) {
  EnsureGui();
  const cv::Mat& frame = FrameOfSize(state.range(0));
  ImagingControl target, source;
  source.SetPicture(frame(cv::Rect(0, 0, frame.cols / 2, frame.rows / 2)).clone());
  target.SetPicture(frame.clone());
  for (auto _ : state) {
    target.Combine(10, 10, source.ImageWidth(), source.ImageHeight(), source.ImageHandle(), 0, 0,
                   quorvin::imaging::kCombineCopy);
  }
}
BENCHMARK(BM_Combine)->Apply(Sizes);

void BM_LoadJpeg(benchmark::State& state) {
  EnsureGui();
  const cv::Mat& frame = FrameOfSize(state.range(0));
  QTemporaryDir folder;
  const QString file = folder.filePath(QStringLiteral("frame.jpg"));
  quorvin::imaging::SaveJpeg(frame, file, 24, 25);
  ImagingControl control;
  for (auto _ : state) control.LoadImage(file, 24, 0, 1);
}
BENCHMARK(BM_LoadJpeg)->Apply(Sizes);

void BM_LogoOverlayMasked(benchmark::State& state) {
  EnsureGui();
  const cv::Mat& frame = FrameOfSize(state.range(0));
  QTemporaryDir folder;
  Settings s;
  s.LogomarkFilename = folder.filePath(QStringLiteral("logo.jpg"));
  s.LogomarkMaskFilename = folder.filePath(QStringLiteral("mask.jpg"));
  s.ch1[quorvin::Switch::UseLogoMask] = 1;
  s.op3[quorvin::Option::LogoPlacement] = 8;
  quorvin::imaging::SaveJpeg(frame(cv::Rect(0, 0, 200, 100)), s.LogomarkFilename, 24, 25);
  quorvin::imaging::SaveJpeg(frame(cv::Rect(200, 0, 200, 100)), s.LogomarkMaskFilename, 24, 25);
  ImagingControls controls;
  quorvin::ApplyLogoSettings(controls, s);
  controls.LEAD1[0].SetPicture(frame.clone());
  for (auto _ : state) quorvin::LogoOverlay(controls, 0, s);
}
BENCHMARK(BM_LogoOverlayMasked)->Apply(Sizes);

// The defaults of the live cycle: thumbnail 0.2 at factor 30, half image 0.5 at 10 and the full image at
// 25, both stamped. Each output is resized from the processed frame and encoded.
struct Output {
  double zoom;
  int quality;
  bool stamped;
};
constexpr Output kLiveOutputs[] = {{0.2, 30, false}, {0.5, 10, true}, {1.0, 25, true}};

// Colour correction, post-processing, then each live output resized and encoded, in the order of the live
// cycle; the frame is stamped once, before the half image. Keeps the finished outputs when asked.
size_t LiveWork(ImagingControls& controls, Settings& s, const quorvin::NamingState& naming,
                std::vector<cv::Mat>* outputs = nullptr) {
  size_t bytes = 0;
  controls.LEAD2.SetImageHandle(controls.LEAD1[0].ImageHandle());
  quorvin::ColorCorrect(controls.LEAD2, s);
  controls.LEAD1[0].SetImageHandle(controls.LEAD2.ImageHandle());
  quorvin::PostProcessing(controls, s);
  for (int i : {1, 2, 0}) {
    const Output& out = kLiveOutputs[i];
    ImagingControl& slot = controls.LEAD1[static_cast<size_t>(i)];
    if (out.stamped && i == 2) {
      // As the engine does when the half and the live image are both stamped: once, on the frame itself,
      // which LEAD2 alone holds while it draws.
      ImagingControl& frame = controls.LEAD1[0];
      controls.LEAD2.SetImageHandle(frame.ImageHandle());
      frame.SetImageHandle(0);
      quorvin::PrintTimeStamp2(controls.LEAD2, s, naming);
      frame.SetImageHandle(controls.LEAD2.ImageHandle());
    }
    if (i != 0) slot.SetImageHandle(controls.LEAD1[0].ImageHandle());
    slot.Resize(std::round(slot.ImageWidth() * out.zoom), std::round(slot.ImageHeight() * out.zoom), 1);
    bytes += static_cast<size_t>(quorvin::imaging::EncodeJpeg(slot.Picture(), 24, out.quality).size());
    if (outputs != nullptr) outputs->push_back(slot.Picture().clone());
    slot.SetImageHandle(0);
  }
  return bytes;
}

struct LiveSetup {
  Settings s;
  quorvin::NamingState naming;
  explicit LiveSetup(const cv::Mat& frame) {
    s.EfctAWidth = frame.cols;  // the default sharpen over the whole frame
    s.EfctAHeight = frame.rows;
    naming.StampDateFormat = QStringLiteral("yyyymmdd");
    naming.StampTimeFormat = QStringLiteral("hhnnss");
  }
};

void BM_LiveWork(benchmark::State& state) {
  EnsureGui();
  const cv::Mat& frame = FrameOfSize(state.range(0));
  LiveSetup setup(frame);
  ImagingControls controls;
  size_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    controls.LEAD1[0].SetPicture(frame.clone());
    state.ResumeTiming();
    bytes += LiveWork(controls, setup.s, setup.naming);
  }
  benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_LiveWork)->Apply(Sizes);

// What libjpeg-turbo alone needs to encode the same three finished outputs.
void BM_LiveEncodeOnly(benchmark::State& state) {
  EnsureGui();
  const cv::Mat& frame = FrameOfSize(state.range(0));
  LiveSetup setup(frame);
  ImagingControls controls;
  controls.LEAD1[0].SetPicture(frame.clone());
  std::vector<cv::Mat> outputs;
  LiveWork(controls, setup.s, setup.naming, &outputs);
  for (auto _ : state) {
    for (size_t i = 0; i < outputs.size(); ++i)
      benchmark::DoNotOptimize(
          quorvin::imaging::EncodeJpeg(outputs[i], 24, kLiveOutputs[(i + 1) % 3].quality).size());
  }
}
BENCHMARK(BM_LiveEncodeOnly)->Apply(Sizes);

}  // namespace
