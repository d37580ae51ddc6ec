#include "JpegCheck.h"

#include <turbojpeg.h>

#include <numeric>
#include <vector>

namespace quorvin::timelapse {

JpegCheck CheckJpeg(const QByteArray& bytes) {
  JpegCheck check;
  tjhandle tj = tjInitDecompress();
  if (!tj) {
    check.problem = QString::fromUtf8(tjGetErrorStr2(nullptr));
    return check;
  }
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
  const auto length = static_cast<unsigned long>(bytes.size());
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  if (tjDecompressHeader3(tj, data, length, &width, &height, &subsampling, &colourspace) == 0) {
    const tjscalingfactor eighth{1, 8};
    const int w = TJSCALED(width, eighth), h = TJSCALED(height, eighth);
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    // Warnings count: libjpeg only warns about a file cut short and fills the rest with grey.
    if (tjDecompress2(tj, data, length, pixels.data(), w, w, h, TJPF_GRAY, TJFLAG_STOPONWARNING) == 0) {
      check.ok = true;
      check.size = QSize(width, height);
      if (!pixels.empty())
        check.meanGrey =
            static_cast<int>(std::accumulate(pixels.begin(), pixels.end(), uint64_t{0}) / pixels.size());
    }
  }
  if (!check.ok) check.problem = QString::fromUtf8(tjGetErrorStr2(tj));
  tjDestroy(tj);
  return check;
}

}  // namespace quorvin::timelapse
