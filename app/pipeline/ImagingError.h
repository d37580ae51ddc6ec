#pragma once
// Failures of the imaging control. Callers that trap errors (the TWAIN grab, the save cycles) log the
// code; everyone else lets the error travel up, as a failing imaging call must.

#include "ErrorLog.h"

#include <QString>

#include <stdexcept>

namespace quorvin {

class ImagingError : public std::runtime_error {
 public:
  ImagingError(ErrorCode code, const QString& message)
      : std::runtime_error(message.toStdString()), code_(code) {}
  ErrorCode Code() const { return code_; }
  QString Message() const { return QString::fromStdString(what()); }

 private:
  ErrorCode code_;
};

}  // namespace quorvin
