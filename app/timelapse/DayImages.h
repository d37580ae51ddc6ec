#pragma once
// The history images of one day folder that go into its film, in the order they were written.

#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace quorvin::timelapse {

struct DayImage {
  QString path;
  int64_t writtenNs = 0;  // modification time, nanoseconds since the epoch
};

struct DayImageRules {
  // A name ending so is a thumbnail: HiFileFoot(0) + HiFileFoot(1) + ".jpg" (case-insensitive). Empty: none.
  QString thumbnailEnding = QStringLiteral("_.jpg");
  QStringList excluded;      // clean absolute paths never taken: the live images when they share the folder
  std::optional<QDate> day;  // only images last written on this local day
};

struct DayImageList {
  std::vector<DayImage> images;  // oldest first; equal times by path
  QStringList notes;             // what was left out, and why
};

// Every "*.jpg" / "*.jpeg" below `folder` (sub-folders too, symbolic links to folders not followed; hidden
// names, which are files still being written, skipped) that the rules take, ordered by modification time:
// the names hold times in the formats the settings chose, with a resolution down to ten hours, or none at
// all, while the time a file was written is there for every name. False with `error` when `folder`
// itself cannot be read; a sub-folder that cannot be read is a note.
bool ListDayImages(const QString& folder, const DayImageRules& rules, DayImageList& list, QString* error);

}  // namespace quorvin::timelapse
