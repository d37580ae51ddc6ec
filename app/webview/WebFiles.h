#pragma once
// The files the web view may hand out: only below the live and history folders, found by a request's
// decoded path without ever leaving them (no "..", no hidden names, no symbolic link that leads out).

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace quorvin {

struct FoundFile {
  int status = 200;  // 200, or the HTTP status that refuses the path
  QString why;       // the refusal, said to the client
  QString path;      // the canonical path when found
  bool folder = false;
};

// `relative`: the decoded request path below the root's route ("" is the root itself).
FoundFile FindInside(const QString& root, const QString& relative);

// A file read whole through one open file: a picture replaced by rename while it is read stays the one
// that was opened, so a reader never gets a mix of two. False when it cannot be read or is no regular file.
bool ReadWhole(const QString& path, QByteArray& data, qint64 limit = qint64(64) << 20);

// The content type of the files the web view serves; empty for any other file, which it never serves.
QByteArray ServedType(const QString& path);

struct FolderEntry {
  QString name;
  QDateTime written;
  QString thumbnail;  // the name of its thumbnail in the same folder, if any
};
struct FolderListing {
  QStringList folders;              // newest name first
  std::vector<FolderEntry> images;  // oldest first; thumbnails are entries' `thumbnail`, not entries
};
// The visible sub-folders and pictures of a history folder. `thumbnailEnding`: the end of a thumbnail's
// name (the history image foot, the thumbnail foot, ".jpg"); `imageEnding` what replaces it in the name of
// the picture it shows (the history image foot, ".jpg").
FolderListing ListFolder(const QString& folder, const QString& thumbnailEnding, const QString& imageEnding);

}  // namespace quorvin
