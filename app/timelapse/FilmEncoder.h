#pragma once
// A film from JPEG pictures: GStreamer decodes each, scales it into one frame size (borders keep its
// shape) and encodes VP8 into a WebM file. Written to a hidden temporary file beside the target and
// renamed onto it only when the stream is complete: a reader never sees a partial film, and a failure or
// an interruption leaves no file and an older film as it was.

#include <QByteArray>
#include <QSize>
#include <QString>

#include <atomic>
#include <memory>

namespace quorvin::timelapse {

struct FilmFormat {
  QSize size;
  int fps = 25;
};

class FilmEncoder {
 public:
  // `stop` is raised (by a signal handler) to abandon the film; it is read while waiting on the encoder.
  explicit FilmEncoder(const std::atomic<int>& stop);
  ~FilmEncoder();  // abandons an unfinished film: the temporary file is removed
  FilmEncoder(const FilmEncoder&) = delete;
  FilmEncoder& operator=(const FilmEncoder&) = delete;

  // Creates the temporary file beside `path` and starts the pipeline.
  bool Start(const QString& path, const FilmFormat& format);
  // Queues one JPEG as the next frame; waits while the encoder is behind.
  bool Push(const QByteArray& jpeg);
  // Ends the stream, waits for the file to be complete, syncs it and renames it onto the target.
  bool Finish();

  int Frames() const { return frames_; }
  // Why the last call failed; empty when it was stopped.
  const QString& Error() const { return error_; }

 private:
  struct Pipeline;
  bool Fail(const QString& error);
  void Abandon();

  const std::atomic<int>& stop_;
  std::unique_ptr<Pipeline> pipeline_;
  QString path_;
  QByteArray temp_;
  FilmFormat format_;
  int frames_ = 0;
  QString error_;
};

}  // namespace quorvin::timelapse
