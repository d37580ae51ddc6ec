#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quorvin {
namespace {

bool Fail(QString* error, const QString& what, int err) {
  if (error) *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(err));
  return false;
}

}  // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
  const QByteArray target = path.toLocal8Bit();
  QByteArray temp = target + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return Fail(error, path, errno);

  auto abandon = [&](int err) {
    ::close(fd);
    ::unlink(temp.constData());
    return Fail(error, path, err);
  };

  struct stat old {};
  const mode_t mode = ::stat(target.constData(), &old) == 0 ? (old.st_mode & 07777) : [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  if (::fchmod(fd, mode) != 0) return abandon(errno);

  const char* data = bytes.constData();
  size_t left = static_cast<size_t>(bytes.size());
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return abandon(errno);
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) return abandon(errno);
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.constData());
    return Fail(error, path, err);
  }
  if (::rename(temp.constData(), target.constData()) != 0) {
    const int err = errno;
    ::unlink(temp.constData());
    return Fail(error, path, err);
  }
  return true;
}

}  // namespace quorvin
