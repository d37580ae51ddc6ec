#include "SaneSource.h"

#include "ImageOps.h"
#include "ImagingError.h"

#include <QLoggingCategory>

#include <opencv2/imgproc.hpp>

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace quorvin::imaging {

namespace {

// Debug lines (the sources found, the resolution set) only when asked for with QT_LOGGING_RULES.
Q_LOGGING_CATEGORY(lcSane, "quorvin.pipeline.sane", QtInfoMsg)

struct Session {
  bool started = false;
  SANE_Int version = 0;
  QStringList devices;
  std::vector<SaneSource::Description> descriptions;
  ~Session() {
    if (started) sane_exit();
  }
};

Session& TheSession() {
  static Session session;
  return session;
}

[[noreturn]] void Fail(ErrorCode code, const QString& what, SANE_Status status) {
  throw ImagingError(code,
                     QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(sane_strstatus(status))));
}

// Closes the device however the acquisition ends.
class OpenDevice {
 public:
  explicit OpenDevice(const QString& name) {
    const SANE_Status status = sane_open(name.toLocal8Bit().constData(), &handle_);
    if (status != SANE_STATUS_GOOD)
      Fail(ErrorCode::TwainNoSource, QStringLiteral("cannot open ") + name, status);
  }
  ~OpenDevice() {
    sane_cancel(handle_);
    sane_close(handle_);
  }
  OpenDevice(const OpenDevice&) = delete;
  OpenDevice& operator=(const OpenDevice&) = delete;
  SANE_Handle get() const { return handle_; }

 private:
  SANE_Handle handle_ = nullptr;
};

int FindOption(SANE_Handle h, const char* name, const SANE_Option_Descriptor** found) {
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
    if (d == nullptr) return -1;
    if (d->name != nullptr && std::strcmp(d->name, name) == 0 && SANE_OPTION_IS_SETTABLE(d->cap) &&
        SANE_OPTION_IS_ACTIVE(d->cap)) {
      *found = d;
      return i;
    }
  }
}

void SetColorMode(SANE_Handle h) {
  const SANE_Option_Descriptor* d = nullptr;
  const int index = FindOption(h, SANE_NAME_SCAN_MODE, &d);
  if (index < 0 || d->type != SANE_TYPE_STRING || d->constraint_type != SANE_CONSTRAINT_STRING_LIST) return;
  for (const SANE_String_Const* mode = d->constraint.string_list; *mode != nullptr; ++mode) {
    if (std::strcmp(*mode, SANE_VALUE_SCAN_MODE_COLOR) == 0) {
      std::vector<char> value(static_cast<size_t>(d->size) + 1, '\0');
      std::strncpy(value.data(), *mode, value.size() - 1);
      sane_control_option(h, index, SANE_ACTION_SET_VALUE, value.data(), nullptr);
      return;
    }
  }
}

// Sets the resolution nearest to the wish that the device allows; without it the test device scans 1 x 1.
void SetResolution(SANE_Handle h, int dotsPerInch) {
  const SANE_Option_Descriptor* d = nullptr;
  const int index = FindOption(h, SANE_NAME_SCAN_RESOLUTION, &d);
  if (index < 0 || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED)) return;
  const bool fixed = d->type == SANE_TYPE_FIXED;
  const auto toDevice = [fixed](double v) { return fixed ? SANE_FIX(v) : static_cast<SANE_Word>(v); };
  const auto fromDevice = [fixed](SANE_Word w) { return fixed ? SANE_UNFIX(w) : static_cast<double>(w); };
  SANE_Word value = toDevice(dotsPerInch);
  if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
    value = std::clamp(value, d->constraint.range->min, d->constraint.range->max);
  } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list[0] > 0) {
    const SANE_Word* list = d->constraint.word_list;
    SANE_Word best = list[1];
    for (SANE_Word i = 1; i <= list[0]; ++i)
      if (std::abs(fromDevice(list[i]) - dotsPerInch) < std::abs(fromDevice(best) - dotsPerInch))
        best = list[i];
    value = best;
  }
  const SANE_Status status = sane_control_option(h, index, SANE_ACTION_SET_VALUE, &value, nullptr);
  qCDebug(lcSane) << "resolution" << fromDevice(value) << "dpi:" << sane_strstatus(status);
}

QStringList Modes(SANE_Handle h) {
  const SANE_Option_Descriptor* d = nullptr;
  QStringList modes;
  if (FindOption(h, SANE_NAME_SCAN_MODE, &d) < 0 || d->constraint_type != SANE_CONSTRAINT_STRING_LIST)
    return modes;
  for (const SANE_String_Const* mode = d->constraint.string_list; *mode != nullptr; ++mode)
    modes << QString::fromLocal8Bit(*mode);
  return modes;
}

QString Resolutions(SANE_Handle h) {
  const SANE_Option_Descriptor* d = nullptr;
  if (FindOption(h, SANE_NAME_SCAN_RESOLUTION, &d) < 0 ||
      (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED))
    return {};
  const auto dpi = [fixed = d->type == SANE_TYPE_FIXED](SANE_Word w) {
    return QString::number(fixed ? SANE_UNFIX(w) : static_cast<double>(w));
  };
  if (d->constraint_type == SANE_CONSTRAINT_RANGE)
    return QStringLiteral("%1 to %2").arg(dpi(d->constraint.range->min), dpi(d->constraint.range->max));
  if (d->constraint_type != SANE_CONSTRAINT_WORD_LIST) return {};
  QStringList values;
  for (SANE_Word i = 1; i <= d->constraint.word_list[0]; ++i) values << dpi(d->constraint.word_list[i]);
  return values.join(QStringLiteral(", "));
}

// One frame's bytes as 8-bit samples: 16-bit samples keep their high byte, 1-bit ones become 0 or 255.
cv::Mat Samples(const std::vector<unsigned char>& bytes, const SANE_Parameters& p, int channels) {
  const int rows = static_cast<int>(bytes.size() / static_cast<size_t>(p.bytes_per_line));
  cv::Mat out(rows, p.pixels_per_line, CV_8UC(channels));
  for (int y = 0; y < rows; ++y) {
    const unsigned char* line = bytes.data() + static_cast<size_t>(y) * p.bytes_per_line;
    unsigned char* dst = out.ptr<unsigned char>(y);
    const int count = p.pixels_per_line * channels;
    for (int i = 0; i < count; ++i) {
      if (p.depth == 8) {
        dst[i] = line[i];
      } else if (p.depth == 16) {
        uint16_t v;
        std::memcpy(&v, line + 2 * i, 2);
        dst[i] = static_cast<unsigned char>(v >> 8);
      } else {
        dst[i] = (line[i / 8] & (0x80 >> (i % 8))) ? 0 : 255;
      }
    }
  }
  return out;
}

}  // namespace

namespace {

bool Start(Session& s) {
  if (s.started) return true;
  if (sane_init(&s.version, nullptr) != SANE_STATUS_GOOD) return false;
  s.started = true;
  return true;
}

}  // namespace

bool SaneSource::Init() {
  Session& s = TheSession();
  const bool wasStarted = s.started;
  if (!Start(s)) return false;
  s.devices.clear();
  s.descriptions.clear();
  const SANE_Device** list = nullptr;
  const bool listed = sane_get_devices(&list, SANE_TRUE) == SANE_STATUS_GOOD;
  for (; listed && list != nullptr && *list != nullptr; ++list) {
    const SANE_Device& d = **list;
    s.devices << QString::fromLocal8Bit(d.name);
    s.descriptions.push_back({s.devices.last(),
                              QString::fromLocal8Bit(d.vendor),
                              QString::fromLocal8Bit(d.model),
                              QString::fromLocal8Bit(d.type),
                              {},
                              {}});
  }
  qCDebug(lcSane) << "local sources:" << s.devices;
  // Listing loads every backend the system knows, with their libraries: about 20 MiB resident that a
  // recorder on a video device never uses again. They are loaded again by the first acquisition.
  if (!wasStarted) {
    sane_exit();
    s.started = false;
  }
  return true;
}

const QStringList& SaneSource::Devices() {
  return TheSession().devices;
}

QString SaneSource::Version() {
  Session& s = TheSession();
  if (!Start(s)) return {};
  return QStringLiteral("%1.%2.%3")
      .arg(SANE_VERSION_MAJOR(s.version))
      .arg(SANE_VERSION_MINOR(s.version))
      .arg(SANE_VERSION_BUILD(s.version));
}

std::vector<SaneSource::Description> SaneSource::Describe() {
  std::vector<Description> described = TheSession().descriptions;
  if (!Start(TheSession())) return described;
  for (Description& d : described) {
    try {
      OpenDevice open(d.name);
      d.modes = Modes(open.get());
      d.resolutions = Resolutions(open.get());
    } catch (const ImagingError& e) {
      qCDebug(lcSane) << e.what();
    }
  }
  return described;
}

cv::Mat SaneSource::Acquire(const QString& device, int dotsPerInch) {
  if (!Start(TheSession())) throw ImagingError(ErrorCode::TwainInit, QStringLiteral("SANE cannot start"));
  OpenDevice open(device);
  SetColorMode(open.get());
  SetResolution(open.get(), dotsPerInch);

  cv::Mat planes[3];
  cv::Mat picture;
  for (;;) {
    SANE_Status status = sane_start(open.get());
    if (status != SANE_STATUS_GOOD)
      Fail(ErrorCode::TwainAcquire, QStringLiteral("cannot start ") + device, status);
    SANE_Parameters p{};
    status = sane_get_parameters(open.get(), &p);
    if (status != SANE_STATUS_GOOD) Fail(ErrorCode::TwainAcquire, device, status);
    if (p.bytes_per_line <= 0 || p.pixels_per_line <= 0 || (p.depth != 1 && p.depth != 8 && p.depth != 16))
      throw ImagingError(ErrorCode::TwainAcquire, QStringLiteral("%1 offers no readable frame").arg(device));
    std::vector<unsigned char> bytes;
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
      SANE_Int got = 0;
      status = sane_read(open.get(), buffer.data(), static_cast<SANE_Int>(buffer.size()), &got);
      if (status == SANE_STATUS_EOF) break;
      if (status != SANE_STATUS_GOOD) Fail(ErrorCode::TwainAcquire, device, status);
      bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + got);
    }
    if (bytes.size() < static_cast<size_t>(p.bytes_per_line))
      throw ImagingError(ErrorCode::TwainAcquire, QStringLiteral("%1 delivered an empty frame").arg(device));
    switch (p.format) {
      case SANE_FRAME_RGB:
        cv::cvtColor(Samples(bytes, p, 3), picture, cv::COLOR_RGB2BGRA);
        break;
      case SANE_FRAME_GRAY:
        cv::cvtColor(Samples(bytes, p, 1), picture, cv::COLOR_GRAY2BGRA);
        break;
      case SANE_FRAME_RED:
      case SANE_FRAME_GREEN:
      case SANE_FRAME_BLUE:
        planes[p.format - SANE_FRAME_RED] = Samples(bytes, p, 1);
        break;
      default:
        throw ImagingError(ErrorCode::TwainAcquire,
                           QStringLiteral("%1 sends an unknown frame format").arg(device));
    }
    if (p.last_frame) break;
  }
  if (picture.empty()) {
    if (planes[0].empty() || planes[0].size() != planes[1].size() || planes[0].size() != planes[2].size())
      throw ImagingError(ErrorCode::TwainAcquire,
                         QStringLiteral("%1 sent incomplete colour passes").arg(device));
    const cv::Mat x(planes[0].size(), CV_8U, cv::Scalar(255));
    cv::merge(std::vector<cv::Mat>{planes[2], planes[1], planes[0], x}, picture);
  }
  return picture;
}

}  // namespace quorvin::imaging
