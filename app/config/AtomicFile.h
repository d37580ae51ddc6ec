#pragma once
// Replacing a file so that readers see either the old or the new content, never a part of it.

#include <QByteArray>
#include <QString>

namespace quorvin {

enum class Durability {
  Synced,   // flushed to the disk before the rename: survives a power cut (the settings file)
  Visible,  // only whole to every reader (images rewritten every few seconds)
};

// Creates the hidden temporary file ".NAME.quorvin-XXXXXX" beside `path`, locked against the sweep of stale
// temporaries, with the permissions the file at `path` has (or a new file would get), open for writing.
// Returns its descriptor and its name in `tempPath`, or -1 with errno set.
int CreateTemporaryBeside(const QString& path, QByteArray* tempPath);

// Writes `bytes` to a temporary file beside `path` and renames it onto `path`. A symbolic link is written
// through: its final target is replaced (the temporary file goes into the target's folder) and the link
// stays. Refused, with `path` left as it is: a link whose target is missing, an entry that is not a
// regular file, and a file we may not write or that nobody may write (root would otherwise replace a file
// the operator made read-only). On any failure the temporary file is removed, the reason is returned in
// `error` and the errno in `errorNumber`. An existing file's permissions carry over to the new one.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                         Durability durability = Durability::Synced, int* errorNumber = nullptr);

// Removes from `folder` the temporary files of WriteFileAtomically whose writer is gone (a kill during a
// save). A writer holds a lock on its temporary file from before its first byte until after the rename,
// so a file nobody holds is stale; an empty one only once it is a while old, as its writer may be about to
// lock it. Returns how many were removed.
int RemoveStaleTemporaries(const QString& folder);

}  // namespace quorvin
