#pragma once
// Every "now" of the program goes through this seam, so naming, the stamp and the scheduler can be
// driven through any moment by tests.

#include <QDateTime>

namespace quorvin {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime Now() const = 0;
};

class SystemClock final : public Clock {
 public:
  QDateTime Now() const override { return QDateTime::currentDateTime(); }
  // The clock the program uses when nobody injects another.
  static const Clock& Instance() {
    static const SystemClock clock;
    return clock;
  }
};

}  // namespace quorvin
