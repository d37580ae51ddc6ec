// The fault soak's helper (scripts/soak.sh): reads live images as a web server would and checks pictures.
//   quorvin-soak-reader poll FILE REPORT    reads FILE again and again until SIGTERM or SIGINT; every read
//                                           that is not a whole JPEG is appended to REPORT at once, the
//                                           totals when it ends
//   quorvin-soak-reader check FILE...       one line per file: whole (size, mean grey) or partial (why);
//                                           status 1 when any is partial
//   quorvin-soak-reader claim IN OUT W H    OUT = the JPEG IN with a frame header claiming W x H pixels
#include "JpegCheck.h"
#include "TestSupport.h"

#include <fcntl.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

using quorvin::timelapse::CheckJpeg;

std::atomic<int> stop{0};

// One read as a reader sees it: the bytes behind the name at this moment, or why there are none.
bool ReadOnce(const char* path, QByteArray& bytes, int& err) {
  bytes.clear();
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return false;
  }
  char buffer[65536];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, n);
  err = n < 0 ? errno : 0;
  ::close(fd);
  return n == 0;
}

int Poll(const char* path, const char* report) {
  struct sigaction on_end {};
  on_end.sa_handler = [](int) { stop = 1; };
  sigaction(SIGTERM, &on_end, nullptr);
  sigaction(SIGINT, &on_end, nullptr);
  FILE* out = std::fopen(report, "a");
  if (!out) return 2;
  long reads = 0, whole = 0, partial = 0, absent = 0;
  QByteArray bytes;
  const timespec pause{0, 5 * 1000 * 1000};
  while (!stop) {
    int err = 0;
    ++reads;
    if (!ReadOnce(path, bytes, err)) {
      // No live image at that name (its folder replaced or gone): nothing was read, so nothing is lost.
      if (err == ENOENT || err == ENOTDIR) {
        ++absent;
      } else {
        ++partial;
        std::fprintf(out, "%ld read failed: %s\n", static_cast<long>(std::time(nullptr)), std::strerror(err));
      }
    } else if (const auto check = CheckJpeg(bytes); check.ok) {
      ++whole;
    } else {
      ++partial;
      std::fprintf(out, "%ld partial (%lld bytes): %s\n", static_cast<long>(std::time(nullptr)),
                   static_cast<long long>(bytes.size()), qPrintable(check.problem));
    }
    std::fflush(out);
    nanosleep(&pause, nullptr);
  }
  std::fprintf(out, "reads %ld whole %ld partial %ld absent %ld\n", reads, whole, partial, absent);
  std::fclose(out);
  return 0;
}

int Check(int count, char** files) {
  int status = 0;
  for (int i = 0; i < count; ++i) {
    QByteArray bytes;
    int err = 0;
    if (!ReadOnce(files[i], bytes, err)) {
      std::printf("%s partial: %s\n", files[i], std::strerror(err));
      status = 1;
      continue;
    }
    const auto check = CheckJpeg(bytes);
    if (check.ok) {
      std::printf("%s whole %dx%d grey %d\n", files[i], check.size.width(), check.size.height(),
                  check.meanGrey);
    } else {
      std::printf("%s partial: %s\n", files[i], qPrintable(check.problem));
      status = 1;
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const QByteArray mode = argc > 1 ? argv[1] : "";
  if (mode == "poll" && argc == 4) return Poll(argv[2], argv[3]);
  if (mode == "check") return Check(argc - 2, argv + 2);
  if (mode == "claim" && argc == 6) {
    const QByteArray jpeg = quorvin::test::ReadAll(QString::fromLocal8Bit(argv[2]));
    quorvin::test::WriteAll(QString::fromLocal8Bit(argv[3]),
                            quorvin::test::JpegClaimingSize(jpeg, std::atoi(argv[4]), std::atoi(argv[5])));
    return 0;
  }
  std::fprintf(stderr, "usage: %s poll FILE REPORT | check FILE... | claim IN OUT WIDTH HEIGHT\n", argv[0]);
  return 2;
}
