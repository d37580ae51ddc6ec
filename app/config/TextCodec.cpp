#include "TextCodec.h"

#include <QStringDecoder>

#include <iconv.h>

#include <algorithm>
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

QString EncodingName(SettingsEncoding encoding) {
  switch (encoding) {
    case SettingsEncoding::Cp932:
      return QStringLiteral("code page 932");
    case SettingsEncoding::Utf8WithMark:
      return QStringLiteral("UTF-8 with a byte-order mark");
    case SettingsEncoding::Utf8:
      return QStringLiteral("UTF-8 without a byte-order mark");
  }
  return {};
}

QString DecodeSettingsText(const QByteArray& bytes, SettingsEncoding* read) {
  auto took = [read](SettingsEncoding encoding) {
    if (read) *read = encoding;
  };
  if (bytes.startsWith(kUtf8Bom)) {
    took(SettingsEncoding::Utf8WithMark);
    return QString::fromUtf8(bytes.mid(3));
  }
  // Japanese text in code page 932 is practically never valid UTF-8, so valid UTF-8 beyond ASCII is what an
  // editor without the mark wrote. Pure ASCII reads the same either way.
  const bool beyondAscii = std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; });
  if (beyondAscii) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError()) {
      took(SettingsEncoding::Utf8);
      return text;
    }
  }
  took(SettingsEncoding::Cp932);

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
