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

bool Fail(QString* error, int* errorNumber, const QString& what, int err) {
  if (error) *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(err));
  if (errorNumber) *errorNumber = err;
  return false;
}

}  // namespace

int CreateTemporaryBeside(const QString& path, QByteArray* tempPath) {
  const QByteArray target = path.toLocal8Bit();
  // Hidden, so folder listings and "*.jpg" globs of a live folder never pick up a half-written file.
  const qsizetype slash = target.lastIndexOf('/');
  QByteArray temp = target.left(slash + 1) + '.' + target.mid(slash + 1) + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return -1;

  struct stat old {};
  const mode_t mode = ::stat(target.constData(), &old) == 0 ? (old.st_mode & 07777) : [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  if (::fchmod(fd, mode) != 0) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp.constData());
    errno = err;
    return -1;
  }
  *tempPath = temp;
  return fd;
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error, Durability durability,
                         int* errorNumber) {
  const QByteArray target = path.toLocal8Bit();
  QByteArray temp;
  const int fd = CreateTemporaryBeside(path, &temp);
  if (fd < 0) return Fail(error, errorNumber, path, errno);

  // The temporary file goes on every failure; the target stays as it was.
  auto discard = [&](int err) {
    ::unlink(temp.constData());
    return Fail(error, errorNumber, path, err);
  };
  auto abandon = [&](int err) {
    ::close(fd);
    return discard(err);
  };

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
  if (durability == Durability::Synced && ::fsync(fd) != 0) return abandon(errno);
  if (::close(fd) != 0) return discard(errno);
  if (::rename(temp.constData(), target.constData()) != 0) return discard(errno);
  return true;
}

}  // namespace quorvin
