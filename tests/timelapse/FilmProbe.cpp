#include "FilmProbe.h"

#include <QProcess>
#include <QRegularExpression>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

namespace quorvin::test {
namespace {

QString Field(const QString& report, const char* name) {
  const QRegularExpression line(QStringLiteral("^\\s*%1: (.+)$").arg(QLatin1String(name)),
                                QRegularExpression::MultilineOption);
  return line.match(report).captured(1).trimmed();
}

void Discover(const QString& path, Film& film) {
  QProcess discoverer;
  discoverer.start(QStringLiteral("gst-discoverer-1.0"), {path});
  if (!discoverer.waitForFinished(60000) || discoverer.exitCode() != 0) {
    film.problem = QStringLiteral("gst-discoverer-1.0 failed: ") + discoverer.readAllStandardError();
    return;
  }
  const QString report = QString::fromUtf8(discoverer.readAllStandardOutput());
  film.container = Field(report, "container #0");
  film.codec = Field(report, "video #1");
  film.size = QSize(Field(report, "Width").toInt(), Field(report, "Height").toInt());
  film.frameRate = Field(report, "Frame rate");
  const QStringList hms = Field(report, "Duration").split(u':');
  if (hms.size() == 3) film.seconds = hms[0].toInt() * 3600 + hms[1].toInt() * 60 + hms[2].toDouble();
}

void Decode(const QString& path, Film& film) {
  gst_init(nullptr, nullptr);
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(
      "filesrc name=file ! matroskademux ! vp8dec ! videoconvert ! video/x-raw,format=GRAY8 ! "
      "appsink name=frames sync=false",
      &error);
  if (error) {
    film.problem = QString::fromUtf8(error->message);
    g_error_free(error);
    if (pipeline) gst_object_unref(pipeline);
    return;
  }
  GstElement* file = gst_bin_get_by_name(GST_BIN(pipeline), "file");
  GstElement* frames = gst_bin_get_by_name(GST_BIN(pipeline), "frames");
  g_object_set(file, "location", path.toLocal8Bit().constData(), nullptr);
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  while (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(frames), 30 * GST_SECOND)) {
    GstVideoInfo info;
    GstMapInfo map;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
        gst_buffer_map(buffer, &map, GST_MAP_READ)) {
      const int stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
      film.centres.push_back(map.data[(info.height / 2) * stride + info.width / 2]);
      gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
  }
  if (!gst_app_sink_is_eos(GST_APP_SINK(frames)))
    film.problem = QStringLiteral("the film does not decode to its end");
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(frames);
  gst_object_unref(file);
  gst_object_unref(pipeline);
}

}  // namespace

Film ProbeFilm(const QString& path) {
  Film film;
  Discover(path, film);
  if (film.problem.isEmpty()) Decode(path, film);
  return film;
}

}  // namespace quorvin::test
