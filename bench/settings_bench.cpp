// Loading and saving the settings file: the recorder does both at start, on every "Load"/"Save" and at exit.

#include "SettingsFile.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace quorvin;

namespace {

QString PrepareFile(const QTemporaryDir& dir) {
  Settings s;
  LoadSettings(s, QStringLiteral("/nonexistent"));
  s.stampHead = QString::fromUtf8("カメラ 1");
  const QString path = dir.filePath(QStringLiteral("quorvin18.ini"));
  SaveSettings(s, path, SystemClock::Instance());
  return path;
}

void BM_LoadSettings(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = PrepareFile(dir);
  Settings s;
  for (auto _ : state) {
    LoadSettings(s, path);
    benchmark::DoNotOptimize(s.stampHead.size());
  }
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMicrosecond);

void BM_SaveSettings(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = PrepareFile(dir);
  Settings s;
  LoadSettings(s, path);
  for (auto _ : state) benchmark::DoNotOptimize(SaveSettings(s, path, SystemClock::Instance()).ok);
}
BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMicrosecond);

void BM_SettingsFileBytes(benchmark::State& state) {
  Settings s;
  LoadSettings(s, QStringLiteral("/nonexistent"));
  const QDateTime when = QDateTime::currentDateTime();
  for (auto _ : state) benchmark::DoNotOptimize(SettingsFileBytes(s, when).size());
}
BENCHMARK(BM_SettingsFileBytes)->Unit(benchmark::kMicrosecond);

}  // namespace
