#pragma once
// Replacing a file so that readers see either the old or the new content, never a part of it.

#include <QByteArray>
#include <QString>

namespace quorvin {

enum class Durability {
  Synced,   // flushed to the disk before the rename: survives a power cut (the settings file)
  Visible,  // only whole to every reader (images rewritten every few seconds)
};

// Writes `bytes` to a temporary file beside `path` and renames it onto `path`. On any failure the
// temporary file is removed, `path` is left as it was, the reason is returned in `error` and the errno in
// `errorNumber`. An existing file's permissions carry over to the new one.
// Creates the hidden temporary file ".NAME.XXXXXX" beside `path`, with the permissions the file at `path`
// has (or a new file would get), open for writing. Returns its descriptor and its name in `tempPath`, or
// -1 with errno set.
int CreateTemporaryBeside(const QString& path, QByteArray* tempPath);

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                         Durability durability = Durability::Synced, int* errorNumber = nullptr);

}  // namespace quorvin
