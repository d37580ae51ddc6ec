#include "AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace quorvin {
namespace {

// A temporary file is "." + the target's name + kTempMark + six characters of mkstemp.
constexpr char kTempMark[] = ".quorvin-";
constexpr int kTempRandom = 6;
// mkstemp creates the file a moment before its writer locks it.
constexpr time_t kEmptyTempGraceSeconds = 10;
// Where the file system has no locks, only age tells: no save takes an hour.
constexpr time_t kUnlockedTempGraceSeconds = 3600;

QString SystemText(int err) {
  return QString::fromLocal8Bit(std::strerror(err));
}

bool Fail(QString* error, int* errorNumber, const QString& what, int err) {
  if (error) *error = what;
  if (errorNumber) *errorNumber = err;
  return false;
}

// The file a write of `target` replaces: the final target of a link, else `target` itself. False, with the
// errno and the reason, when nothing may be replaced.
bool ResolveTarget(QByteArray& target, int& err, QString& reason) {
  struct stat st {};
  // Nothing there yet, or a folder of the path is missing (then mkstemp reports it).
  if (::lstat(target.constData(), &st) != 0) return true;
  if (S_ISLNK(st.st_mode)) {
    char* resolved = ::realpath(target.constData(), nullptr);
    if (resolved == nullptr) {
      err = errno;
      // A link into an unmounted share: replacing the link would lose it, creating its target would
      // write beneath the mount point.
      reason = err == ENOENT ? QStringLiteral("the link's target is missing") : SystemText(err);
      return false;
    }
    target = resolved;
    std::free(resolved);
    if (::stat(target.constData(), &st) != 0) {
      err = errno;
      reason = SystemText(err);
      return false;
    }
  }
  if (!S_ISREG(st.st_mode)) {
    err = S_ISDIR(st.st_mode) ? EISDIR : EEXIST;
    reason = QStringLiteral("not a regular file");
    return false;
  }
  err = ::access(target.constData(), W_OK) != 0 ? errno : (st.st_mode & 0222) == 0 ? EACCES : 0;
  if (err == 0) return true;
  reason = QStringLiteral("read-only file (%1)").arg(SystemText(err));
  return false;
}

bool IsTemporaryName(const char* name) {
  const size_t length = std::strlen(name);
  const size_t tail = sizeof kTempMark - 1 + kTempRandom;
  if (name[0] != '.' || length < tail + 2) return false;
  if (std::strncmp(name + length - tail, kTempMark, sizeof kTempMark - 1) != 0) return false;
  for (size_t i = length - kTempRandom; i < length; ++i) {
    const char c = name[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

}  // namespace

int CreateTemporaryBeside(const QString& path, QByteArray* tempPath) {
  const QByteArray target = path.toLocal8Bit();
  // Hidden, so folder listings and "*.jpg" globs of a live folder never pick up a half-written file.
  const qsizetype slash = target.lastIndexOf('/');
  QByteArray temp =
      target.left(slash + 1) + '.' + target.mid(slash + 1) + kTempMark + QByteArray(kTempRandom, 'X');
  const int fd = mkstemp(temp.data());
  if (fd < 0) return -1;
  // Held until the file is renamed or removed, so RemoveStaleTemporaries of another instance leaves it
  // alone. A file system without locks makes this fail; the writing goes on.
  ::flock(fd, LOCK_EX | LOCK_NB);

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
  QByteArray target = path.toLocal8Bit();
  int refused = 0;
  QString reason;
  if (!ResolveTarget(target, refused, reason))
    return Fail(error, errorNumber, path + QStringLiteral(": ") + reason, refused);
  const QString shown = target == path.toLocal8Bit()
                            ? path
                            : path + QStringLiteral(" (link to ") + QString::fromLocal8Bit(target) + u')';
  auto fail = [&](int err) {
    return Fail(error, errorNumber, shown + QStringLiteral(": ") + SystemText(err), err);
  };

  QByteArray temp;
  const int fd = CreateTemporaryBeside(QString::fromLocal8Bit(target), &temp);
  if (fd < 0) return fail(errno);

  // The temporary file goes on every failure; the target stays as it was.
  auto abandon = [&](int err) {
    ::unlink(temp.constData());
    ::close(fd);
    return fail(err);
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
  // Closing a duplicate reports what a network file system could not write back, and keeps the lock.
  const int probe = ::dup(fd);
  if (probe < 0 || ::close(probe) != 0) return abandon(errno);
  if (::rename(temp.constData(), target.constData()) != 0) return abandon(errno);
  ::close(fd);
  return true;
}

int RemoveStaleTemporaries(const QString& folder) {
  DIR* dir = ::opendir(folder.isEmpty() ? "." : folder.toLocal8Bit().constData());
  if (dir == nullptr) return 0;
  const int dirFd = ::dirfd(dir);
  const time_t now = std::time(nullptr);
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsTemporaryName(entry->d_name)) continue;
    const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    bool stale = false;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
      const time_t age = now - st.st_mtime;
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        stale = st.st_size > 0 || age > kEmptyTempGraceSeconds;
      else if (errno != EWOULDBLOCK)
        stale = age > kUnlockedTempGraceSeconds;
    }
    if (stale && ::unlinkat(dirFd, entry->d_name, 0) == 0) ++removed;
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}

}  // namespace quorvin
