#include "WebFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>

namespace quorvin {

FoundFile FindInside(const QString& root, const QString& relative) {
  FoundFile found;
  const auto refuse = [&found](int status, const QString& why) {
    found.status = status;
    found.why = why;
    return found;
  };
  if (relative.contains(QChar(0)) || relative.contains(QLatin1Char('\\')))
    return refuse(400, QStringLiteral("a path may not hold NUL or \"\\\""));
  const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  for (const QString& part : parts) {
    if (part == QLatin1String(".") || part == QLatin1String(".."))
      return refuse(403, QStringLiteral("a path may not hold \".\" or \"..\""));
    // Hidden names are files still being written and the recorder's own.
    if (part.startsWith(QLatin1Char('.'))) return refuse(404, QStringLiteral("no such file"));
  }
  const QString base = QFileInfo(root.isEmpty() ? QStringLiteral(".") : root).canonicalFilePath();
  if (base.isEmpty()) return refuse(404, QStringLiteral("the folder does not exist yet"));
  const QString wanted = parts.isEmpty() ? base : base + QLatin1Char('/') + parts.join(QLatin1Char('/'));
  const QFileInfo info(wanted);
  const QString canonical = info.canonicalFilePath();
  if (canonical.isEmpty()) return refuse(404, QStringLiteral("no such file"));
  if (canonical != base && !canonical.startsWith(base + QLatin1Char('/')))
    return refuse(403, QStringLiteral("the path leads out of the folder"));
  found.path = canonical;
  found.folder = info.isDir();
  return found;
}

bool ReadWhole(const QString& path, QByteArray& data, qint64 limit) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= limit;
  if (ok) {
    data.resize(st.st_size);
    qint64 done = 0;
    while (ok && done < st.st_size) {
      const ssize_t n = ::read(fd, data.data() + done, static_cast<size_t>(st.st_size - done));
      if (n <= 0) ok = false;
      done += n;
    }
  }
  ::close(fd);
  return ok;
}

QByteArray ServedType(const QString& path) {
  const QString lower = path.toLower();
  if (lower.endsWith(QLatin1String(".jpg")) || lower.endsWith(QLatin1String(".jpeg")))
    return QByteArrayLiteral("image/jpeg");
  if (lower.endsWith(QLatin1String(".webm"))) return QByteArrayLiteral("video/webm");
  return {};
}

FolderListing ListFolder(const QString& folder, const QString& thumbnailEnding, const QString& imageEnding) {
  FolderListing listing;
  // One listing for both: a history folder may hold thousands of pictures.
  QHash<QString, FolderEntry> thumbnails;  // picture name -> its thumbnail
  std::vector<FolderEntry> pictures;
  for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot,
                                                          QDir::Name | QDir::Reversed)) {
    const QString name = info.fileName();
    if (info.isDir()) {
      listing.folders << name;
      continue;
    }
    if (ServedType(name) != "image/jpeg") continue;
    if (!thumbnailEnding.isEmpty() && name.endsWith(thumbnailEnding, Qt::CaseInsensitive)) {
      thumbnails.insert(name.chopped(thumbnailEnding.size()) + imageEnding,
                        {name, info.lastModified(), name});
      continue;
    }
    pictures.push_back({name, info.lastModified(), {}});
  }
  for (FolderEntry& e : pictures) e.thumbnail = thumbnails.take(e.name).name;
  // A thumbnail whose picture is gone (or off) still shows.
  for (auto it = thumbnails.cbegin(); it != thumbnails.cend(); ++it) pictures.push_back(it.value());
  std::sort(pictures.begin(), pictures.end(), [](const FolderEntry& a, const FolderEntry& b) {
    return a.written != b.written ? a.written < b.written : a.name < b.name;
  });
  listing.images = std::move(pictures);
  return listing;
}

}  // namespace quorvin
