#include "StampText.h"

namespace quorvin {

namespace {

QString TwoDigits(int value) {
  return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// Length of the run of `letter` starting at `pos`, counted up to `limit`.
qsizetype RunLength(const QString& pattern, qsizetype pos, QChar letter, qsizetype limit) {
  qsizetype n = 0;
  while (n < limit && pos + n < pattern.size() && pattern[pos + n] == letter) ++n;
  return n;
}

}  // namespace

QString FormatClock(const QDateTime& moment, const QString& pattern) {
  const QDate date = moment.date();
  const QTime time = moment.time();
  QString out;
  out.reserve(pattern.size() + 4);
  qsizetype i = 0;
  while (i < pattern.size()) {
    const QChar c = pattern[i];
    // Runs are taken greedily: "yyyy", "yy", then single letters, so "yyy" reads as "yy" + "y".
    if (c == u'y') {
      if (RunLength(pattern, i, c, 4) == 4) {
        out += QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
        i += 4;
      } else if (RunLength(pattern, i, c, 2) == 2) {
        out += TwoDigits(((date.year() % 100) + 100) % 100);
        i += 2;
      } else {
        out += QString::number(date.dayOfYear());
        i += 1;
      }
      continue;
    }
    int value = -1;
    switch (c.unicode()) {
      case u'm':
        value = date.month();
        break;
      case u'd':
        value = date.day();
        break;
      case u'h':
        value = time.hour();
        break;
      case u'n':
        value = time.minute();
        break;
      case u's':
        value = time.second();
        break;
      default:
        break;
    }
    if (value < 0) {
      out += c;
      i += 1;
    } else if (RunLength(pattern, i, c, 2) == 2) {
      out += TwoDigits(value);
      i += 2;
    } else {
      out += QString::number(value);
      i += 1;
    }
  }
  return out;
}

QString InsertSeparators(const QString& pattern, const QString& separator) {
  if (pattern.isEmpty()) return {};
  QString out;
  out.reserve(pattern.size() * (1 + separator.size()));
  out += pattern[0];
  for (qsizetype i = 1; i < pattern.size(); ++i) {
    if (pattern[i] != pattern[i - 1]) out += separator;
    out += pattern[i];
  }
  return out;
}

void ExpandLineBreaks(QString& text) {
  const qsizetype length = text.size();
  for (qsizetype i = 0; i + 1 < length; ++i) {
    if (text[i] == u'\\' && text[i + 1] == u'n') {
      text[i] = u'\r';
      text[i + 1] = u'\n';
    }
  }
}

QString ComposeStampText(const Settings& settings, const NamingState& naming, const Clock& clock) {
  const QString timePattern = InsertSeparators(naming.StampTimeFormat, settings.stampTimeSep);
  const QString datePattern = InsertSeparators(naming.StampDateFormat, settings.stampDateSep);

  // One reading for both: two readings across midnight would pair yesterday's date with 00:00:00.
  const QDateTime moment = clock.Now();
  const QString datePart = naming.StampDateFormat.isEmpty() ? QString() : FormatClock(moment, datePattern) + u' ';
  const QString timePart = timePattern.isEmpty() ? QString() : FormatClock(moment, timePattern) + u' ';

  QString text = settings.stampHead.isEmpty()
                     ? datePart + timePart + settings.stampFoot
                     : settings.stampHead + u' ' + datePart + timePart + settings.stampFoot;
  ExpandLineBreaks(text);
  return text;
}

}  // namespace quorvin
