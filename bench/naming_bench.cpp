// Work done on every 500 ms scheduler tick and every capture: history names, next history time, stamp text.
// Each should stay in the microseconds so the tick never drifts.

#include "ErrorLog.h"
#include "Naming.h"
#include "StampText.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace quorvin;

namespace {

class FixedClock final : public Clock {
 public:
  QDateTime Now() const override { return QDateTime(QDate(1999, 6, 29), QTime(13, 45, 27)); }
};

void BM_BuildHistoryNames(benchmark::State& state) {
  Settings s;
  s.op2[Format::FolderDate1] = 1;
  s.op2[Format::FolderDate2] = 7;
  s.op2[Format::FileDate] = 1;
  s.op2[Format::FileTime] = 2;
  s.HiFileHead[0] = QStringLiteral("cam");
  s.histPath = QStringLiteral("/srv/hist");
  NamingState n;
  DeriveNameFormats(s, n);
  const FixedClock clock;
  for (auto _ : state) {
    BuildHistoryNames(s, n, clock);
    benchmark::DoNotOptimize(HistoryImagePath(s, n).size());
  }
}
BENCHMARK(BM_BuildHistoryNames);

void BM_NextHistoryTime(benchmark::State& state) {
  const QString now = QStringLiteral("134527");
  for (auto _ : state) benchmark::DoNotOptimize(NextHistoryTime(now, 300, 3).size());
}
BENCHMARK(BM_NextHistoryTime);

void BM_ComposeStampText(benchmark::State& state) {
  Settings s;
  s.stampHead = QString::fromUtf8("カメラ 1");
  NamingState n;
  DeriveNameFormats(s, n);
  const FixedClock clock;
  for (auto _ : state) benchmark::DoNotOptimize(ComposeStampText(s, n, clock).size());
}
BENCHMARK(BM_ComposeStampText);

// MakePath runs before every image write; with every level present it is only the existence tests.
void BM_MakePathExisting(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.path() + QStringLiteral("/a/b/c/");
  QDir().mkpath(path);
  for (auto _ : state) MakePath(path);
}
BENCHMARK(BM_MakePathExisting);

}  // namespace
