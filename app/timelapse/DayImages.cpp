#include "DayImages.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace quorvin::timelapse {
namespace {

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

QString SystemError(int err) {
  return QString::fromLocal8Bit(std::strerror(err));
}

bool IsJpegName(const QString& name) {
  return name.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive) ||
         name.endsWith(QLatin1String(".jpeg"), Qt::CaseInsensitive);
}

struct Walk {
  const DayImageRules& rules;
  DayImageList& list;
  int thumbnails = 0;
  int otherDays = 0;

  // False (with errno) when `folder` cannot be opened.
  bool Folder(const QString& folder) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(QFile::encodeName(folder).constData()));
    if (!dir) return false;
    std::vector<QString> subfolders;
    while (const dirent* entry = readdir(dir.get())) {
      const QString name = QFile::decodeName(entry->d_name);
      if (name.startsWith(u'.')) continue;
      const QString path = folder + u'/' + name;
      struct stat st {};
      if (fstatat(dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        list.notes << path + QStringLiteral(": ") + SystemError(errno) + QStringLiteral(", left out");
        continue;
      }
      if (S_ISDIR(st.st_mode)) {
        subfolders.push_back(path);
        continue;
      }
      if (S_ISLNK(st.st_mode) &&
          (fstatat(dirfd(dir.get()), entry->d_name, &st, 0) != 0 || S_ISDIR(st.st_mode))) {
        list.notes << path + QStringLiteral(": a link to a folder or to nothing, left out");
        continue;
      }
      File(path, name, st);
    }
    dir.reset();
    for (const QString& sub : subfolders)
      if (!Folder(sub))
        list.notes << sub + QStringLiteral(": ") + SystemError(errno) + QStringLiteral(", left out");
    return true;
  }

  void File(const QString& path, const QString& name, const struct stat& st) {
    if (!S_ISREG(st.st_mode) || !IsJpegName(name)) {
      list.notes << path + QStringLiteral(": not a .jpg file, left out");
      return;
    }
    if (!rules.thumbnailEnding.isEmpty() && name.endsWith(rules.thumbnailEnding, Qt::CaseInsensitive)) {
      ++thumbnails;
      return;
    }
    if (!rules.excluded.isEmpty() &&
        rules.excluded.contains(QDir::cleanPath(QDir().absoluteFilePath(path)))) {
      list.notes << path + QStringLiteral(": a live image, left out");
      return;
    }
    const int64_t ns = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    if (rules.day && QDateTime::fromMSecsSinceEpoch(ns / 1000000).date() != *rules.day) {
      ++otherDays;
      return;
    }
    list.images.push_back({path, ns});
  }
};

}  // namespace

bool ListDayImages(const QString& folder, const DayImageRules& rules, DayImageList& list, QString* error) {
  QString root = folder;
  while (root.size() > 1 && root.endsWith(u'/')) root.chop(1);
  struct stat st {};
  if (stat(QFile::encodeName(root).constData(), &st) != 0) {
    if (error) *error = SystemError(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    if (error) *error = QStringLiteral("not a folder");
    return false;
  }
  Walk walk{rules, list};
  if (!walk.Folder(root)) {
    if (error) *error = SystemError(errno);
    return false;
  }
  if (walk.thumbnails > 0)
    list.notes << QStringLiteral("%1 thumbnail%2 (names ending \"%3\") left out")
                      .arg(walk.thumbnails)
                      .arg(QLatin1String(walk.thumbnails == 1 ? "" : "s"), rules.thumbnailEnding);
  if (walk.otherDays > 0)
    list.notes << QStringLiteral("%1 picture%2 written on another day than %3 left out")
                      .arg(walk.otherDays)
                      .arg(QLatin1String(walk.otherDays == 1 ? "" : "s"), rules.day->toString(Qt::ISODate));
  std::sort(list.images.begin(), list.images.end(), [](const DayImage& a, const DayImage& b) {
    return a.writtenNs != b.writtenNs ? a.writtenNs < b.writtenNs : a.path < b.path;
  });
  return true;
}

}  // namespace quorvin::timelapse
