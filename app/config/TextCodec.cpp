#include "TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace quorvin {
namespace {

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle Open(const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  return IconvHandle(cd == reinterpret_cast<iconv_t>(-1) ? nullptr : cd);
}

}  // namespace

QString DecodeSettingsText(const QByteArray& bytes) {
  if (bytes.startsWith(kUtf8Bom)) return QString::fromUtf8(bytes.mid(3));

  IconvHandle cd = Open("UTF-8", "CP932");
  if (!cd) return QString::fromLatin1(bytes);
  QByteArray out;
  out.reserve(bytes.size() * 3 / 2 + 16);
  char buffer[4096];
  char* in = const_cast<char*>(bytes.constData());
  size_t inLeft = static_cast<size_t>(bytes.size());
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t rc = iconv(static_cast<iconv_t>(cd.get()), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, outPtr - buffer);
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // An invalid or truncated sequence: mark it and go on with the next byte.
    out.append("\xEF\xBF\xBD");
    ++in;
    --inLeft;
  }
  return QString::fromUtf8(out);
}

std::optional<QByteArray> EncodeCp932(const QString& text) {
  IconvHandle cd = Open("CP932", "UTF-8");
  if (!cd) return std::nullopt;
  const QByteArray utf8 = text.toUtf8();
  QByteArray out(utf8.size() * 2 + 16, Qt::Uninitialized);
  char* in = const_cast<char*>(utf8.constData());
  size_t inLeft = static_cast<size_t>(utf8.size());
  char* outPtr = out.data();
  size_t outLeft = static_cast<size_t>(out.size());
  if (iconv(static_cast<iconv_t>(cd.get()), &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
    return std::nullopt;
  out.truncate(outPtr - out.data());
  return out;
}

}  // namespace quorvin
