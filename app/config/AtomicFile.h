#pragma once
// Replacing a file so that readers see either the old or the new content, never a part of it.

#include <QByteArray>
#include <QString>

namespace quorvin {

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it onto `path`. On any
// failure the temporary file is removed, `path` is left as it was, and the reason is returned in `error`.
// An existing file's permissions carry over to the new one.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

}  // namespace quorvin
