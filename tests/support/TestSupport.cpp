#include "TestSupport.h"

#include <QFile>

#include <sys/resource.h>
#include <csignal>
#include <stdexcept>

namespace quorvin::test {

FileSizeLimit::FileSizeLimit(unsigned long bytes) {
  std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of ending the process
  rlimit limit{};
  if (getrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("getrlimit");
  savedCurrent_ = limit.rlim_cur;
  limit.rlim_cur = bytes;
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit");
  active_ = true;
}

FileSizeLimit::~FileSizeLimit() {
  if (!active_) return;
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = savedCurrent_;
  setrlimit(RLIMIT_FSIZE, &limit);
}

WorkingFolder::WorkingFolder() : previous_(QDir::currentPath()) {
  if (!dir_.isValid() || !QDir::setCurrent(dir_.path())) throw std::runtime_error("no temporary folder");
}

WorkingFolder::~WorkingFolder() {
  QDir::setCurrent(previous_);
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
    throw std::runtime_error("cannot write " + path.toStdString());
}

}  // namespace quorvin::test
