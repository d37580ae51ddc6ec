#pragma once
// Composition of the time-stamp text: head, date, time and foot.

#include "Clock.h"
#include "NamingState.h"
#include "Settings.h"

#include <QString>

namespace quorvin {

// Formats a moment with the clock-format letters yyyy, yy, mm (month), dd, hh, nn (minutes), ss; the single
// letters y (day of year), m, d, h, n, s give the value without a leading zero. Runs are read greedily ("yyy"
// is "yy" then "y"); only lower-case letters count, every other character is copied.
QString FormatClock(const QDateTime& moment, const QString& pattern);

// The pattern with the separator put between every two neighbouring letters that differ.
QString InsertSeparators(const QString& pattern, const QString& separator);

// Replaces every backslash + lower-case n by CR LF, in place; the length does not change.
void ExpandLineBreaks(QString& text);

// The complete stamp text for now: date and time are each read once from the clock.
QString ComposeStampText(const Settings& settings, const NamingState& naming, const Clock& clock);

}  // namespace quorvin
