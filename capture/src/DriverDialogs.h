#pragma once
// The driver dialogs of the capture window: video format, video source (the device's controls) and
// audio format. Widgets carry object names so a host or a test can drive them.

#include <korvex/CaptureDevice.h>

#include <QDialog>
#include <map>

#include <functional>

class QComboBox;
class QLabel;

namespace korvex {

class FormatDialog : public QDialog {
  Q_OBJECT
 public:
  FormatDialog(const std::vector<VideoFormat>& offered, const VideoFormat& current,
               QWidget* parent = nullptr);
  VideoFormat Chosen() const;

 private:
  void FillSizes();
  void FillRates();

  std::vector<VideoFormat> offered_;
  QComboBox* pixel_;
  QComboBox* size_;
  QComboBox* rate_;
};

// Changes reach the device at once so the preview shows them; whoever runs the dialog puts the
// Initial() values back when it is cancelled. After each change every control is read again (one control
// may switch another on or off, or be refused), and a refusal is shown in the label "refusal".
class SourceDialog : public QDialog {
  Q_OBJECT
 public:
  SourceDialog(CaptureDevice& device, QWidget* parent = nullptr);
  // Values the dialog started with, to put back on cancel.
  const std::map<QString, int>& Initial() const { return initial_; }

 private:
  QWidget* MakeEditor(const DeviceControl& c);
  void Set(const QString& id, const QString& label, int value);
  void Refresh();

  CaptureDevice& device_;
  std::map<QString, int> initial_;
  // Each control's editor and how it shows a value read from the device.
  std::map<QString, std::pair<QWidget*, std::function<void(int)>>> editors_;
  QLabel* refusal_;
};

class AudioFormatDialog : public QDialog {
  Q_OBJECT
 public:
  static const char* const kTitle;
  explicit AudioFormatDialog(const AudioFormat& current, QWidget* parent = nullptr);
  AudioFormat Chosen() const;

 private:
  QComboBox* rate_;
  QComboBox* channels_;
  QComboBox* bits_;
};

}  // namespace korvex
