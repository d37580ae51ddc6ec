// A day's film made by quorvin18-timelapse, run as a program: wall time, the tool's CPU time and peak
// memory for a day of history pictures (288 at a 5-minute interval, 1440 at one minute). The pictures are
// camera-like (a lit scene, a moving object, sensor noise), so that every frame costs the encoder what a
// real one does; 48 of them are written and linked again to make up the day.

#include "ImageFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <sys/resource.h>
#include <unistd.h>

using namespace quorvin;

namespace {

constexpr int kDistinct = 48;

QByteArray ScenePicture(int width, int height, int i) {
  cv::Mat scene(height, width, CV_8UC4);
  for (int y = 0; y < height; ++y)
    scene.row(y).setTo(cv::Scalar(60 + 120 * y / height, 90 + 60 * y / height, 140, 255));
  const int x = (i * width / kDistinct) % width;
  cv::rectangle(scene, cv::Rect(x, height / 3, width / 6, height / 4), cv::Scalar(40, 160, 200, 255),
                cv::FILLED);
  cv::Mat noise(height, width, CV_8UC4);
  cv::randn(noise, cv::Scalar::all(0), cv::Scalar(4, 4, 4, 0));
  scene += noise;
  return imaging::EncodeJpeg(scene, 24, 25);
}

void BM_TimelapseDay(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const int pictures = static_cast<int>(state.range(2));
  QTemporaryDir dir;
  const QString day = dir.filePath(QStringLiteral("day/"));
  QDir().mkpath(day);
  for (int i = 0; i < pictures; ++i) {
    const QString name = day + QStringLiteral("%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
    if (i < kDistinct) {
      QFile f(name);
      if (!f.open(QIODevice::WriteOnly) || f.write(ScenePicture(width, height, i)) < 0)
        state.SkipWithError("write");
    } else if (link(QFile::encodeName(day +
                                      QStringLiteral("%1.jpg").arg(i % kDistinct, 4, 10, QLatin1Char('0'))),
                    QFile::encodeName(name)) != 0) {
      state.SkipWithError("link");
    }
  }
  const QString film = dir.filePath(QStringLiteral("day.webm"));
  rusage before{};
  getrusage(RUSAGE_CHILDREN, &before);
  QElapsedTimer wall;
  wall.start();
  for (auto _ : state) {
    QProcess tool;
    tool.setStandardOutputFile(QProcess::nullDevice());
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(QStringLiteral(QUORVIN_TIMELAPSE_TOOL), {day, film});
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) state.SkipWithError("the tool failed");
  }
  rusage after{};
  getrusage(RUSAGE_CHILDREN, &after);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  const double cpu =
      seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_stime);
  state.counters["tool_cpu_s"] = cpu / static_cast<double>(state.iterations());
  state.counters["ms_per_picture"] =
      static_cast<double>(wall.elapsed()) /
      (static_cast<double>(pictures) * static_cast<double>(state.iterations()));
  state.counters["tool_peak_MiB"] = static_cast<double>(after.ru_maxrss) / 1024.0;
  state.counters["film_MiB"] = static_cast<double>(QFileInfo(film).size()) / (1024.0 * 1024.0);
}

BENCHMARK(BM_TimelapseDay)
    ->Args({640, 480, 288})
    ->Args({640, 480, 1440})
    ->Args({1920, 1080, 288})
    ->Args({1920, 1080, 1440})
    ->ArgNames({"w", "h", "pictures"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
