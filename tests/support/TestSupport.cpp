#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QDirIterator>
#include <QFile>
#include <QProcess>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>
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

XvfbServer::XvfbServer() : server_(std::make_unique<QProcess>()) {
  server_->setStandardErrorFile(QProcess::nullDevice());
  // A test that read end signals has them blocked; the server must still stop when terminated.
  server_->setChildProcessModifier([] {
    sigset_t none;
    sigemptyset(&none);
    pthread_sigmask(SIG_SETMASK, &none, nullptr);
  });
  // -displayfd 1: the server writes the display number it took on standard output once it accepts clients.
  server_->start(
      QStringLiteral("Xvfb"),
      {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
       QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
  QByteArray out;
  const QDeadlineTimer deadline(10000);
  while (!out.contains('\n') && !deadline.hasExpired() && server_->state() != QProcess::NotRunning) {
    server_->waitForReadyRead(100);
    out += server_->readAllStandardOutput();
  }
  if (out.contains('\n')) display_ = QLatin1Char(':') + QString::fromLatin1(out.trimmed());
}

XvfbServer::~XvfbServer() {
  if (server_->state() == QProcess::NotRunning) return;
  server_->terminate();
  if (!server_->waitForFinished(5000)) {
    server_->kill();
    server_->waitForFinished(5000);
  }
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

bool IsJpeg(const QString& path) {
  const QByteArray bytes = ReadAll(path);
  return bytes.size() > 1000 && bytes.startsWith("\xFF\xD8\xFF") && bytes.endsWith("\xFF\xD9");
}

QStringList FilesBelow(const QString& folder) {
  QStringList files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) files << it.next();
  files.sort();
  return files;
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
    throw std::runtime_error("cannot write " + path.toStdString());
}

StderrCapture::StderrCapture() : saved_(::dup(2)), file_(std::tmpfile()) {
  std::fflush(stderr);
  ::dup2(fileno(file_), 2);
}

StderrCapture::~StderrCapture() {
  std::fflush(stderr);
  ::dup2(saved_, 2);
  ::close(saved_);
  std::fclose(file_);
}

QString StderrCapture::Text() const {
  std::fflush(stderr);
  QFile f;
  f.open(::dup(fileno(file_)), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
  f.seek(0);
  return QString::fromUtf8(f.readAll());
}

QByteArray JpegClaimingSize(QByteArray jpeg, int width, int height) {
  // A frame header: FF C0..C2, length (2), precision (1), height (2), width (2).
  for (qsizetype i = 2; i + 8 < jpeg.size(); ++i) {
    const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
    if (static_cast<unsigned char>(jpeg[i]) != 0xFF || marker < 0xC0 || marker > 0xC2) continue;
    for (const auto& [at, value] : {std::pair{i + 5, height}, std::pair{i + 7, width}}) {
      jpeg[at] = static_cast<char>(value >> 8);
      jpeg[at + 1] = static_cast<char>(value & 0xFF);
    }
    return jpeg;
  }
  throw std::runtime_error("no JPEG frame header");
}

}  // namespace quorvin::test
