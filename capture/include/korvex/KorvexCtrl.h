#pragma once
// CKorvexCtrl: the capture control a host window embeds. It owns one CaptureWindow for its whole life
// and offers its members both as typed C++ members and through Invoke() by dispatch identifier.
//
// Host images: CopyDIB(hDC) takes `hDC` as the address of a QImage owned by the host and valid for
// the whole call. The next frame is painted onto that image at (0, 0) at the frame's own size with
// QPainter; CopyDIB returns true only when a frame was painted, false when none came within 3000 ms.

#include <korvex/CaptureDevice.h>
#include <korvex/CaptureWindow.h>

#include <QByteArray>
#include <QColor>
#include <QVariant>
#include <QWidget>
#include <memory>

class QDataStream;
class QMessageBox;

namespace korvex {

// Identifiers of the dispatch interface _DKorvex.
enum DispId : int {
  kDispCenterWindow = 1,
  kDispCaptureFilePath = 2,
  kDispPreview = 3,
  kDispWithAudio = 4,
  kDispFrames = 5,
  kDispStatusHWND = 6,
  kDispConfirmWindow = 7,
  kDispLimitEnabled = 8,
  kDispLimitTime = 9,
  kDispUseVideoOverlay = 10,
  kDispPreviewRate = 11,
  kDispDeviceIndex = 12,
  kDispVideoFormat = 13,
  kDispVideoSource = 14,
  kDispVideoDisplay = 15,
  kDispVideoOverlay = 16,
  kDispVideoWidth = 17,
  kDispVideoHeight = 18,
  kDispNumDrivers = 19,
  kDispSave = 20,
  kDispStartCapture = 21,
  kDispDlgVideoFormat = 22,
  kDispDlgVideoSource = 23,
  kDispDlgAudioFormat = 24,
  kDispDlgVideoDisplay = 25,
  kDispSaveDIB = 26,
  kDispEditCopy = 27,
  kDispCopyDIB = 28,
  kDispDeviceNameList = 29,
  // Stock members.
  kDispBackColor = -501,
  kDispBorderStyle = -504,
  kDispAppearance = -520,
  kDispAboutBox = -552,
};

enum class DispatchKind { PropertyGet, PropertyPut, Method };

struct DispatchResult {
  enum class Error { None, UnknownMember, SetNotSupported, GetNotSupported, BadParamCount, TypeMismatch };
  Error error = Error::None;
  QVariant value;
  bool ok() const { return error == Error::None; }
};

enum class UiLanguage { English, Japanese };

class CKorvexCtrl : public QWidget {
  Q_OBJECT
 public:
  static constexpr quint32 kPropertyVersion = 65540;  // 1.4: major << 16 | minor
  static const char* const kCaptureWindowTitle;

  explicit CKorvexCtrl(QWidget* parent = nullptr, std::shared_ptr<DeviceSource> source = nullptr);
  ~CKorvexCtrl() override;

  // Properties.
  bool GetCenterWindow() const { return centerWindow_; }
  void SetCenterWindow(bool value);
  QString GetCaptureFilePath() const { return captureFilePath_; }
  void SetCaptureFilePath(const QString& value);
  bool GetPreview() const { return preview_; }
  void SetPreview(bool value);
  // Whether anybody can see the preview (its window shown, not minimised, on a display). Beside Preview,
  // not part of it: an unseen preview converts no frames, and a device that need not stream rests.
  // Neither persisted nor notified; true until the host says otherwise.
  bool GetPreviewSeen() const { return capture_->PreviewSeen(); }
  void SetPreviewSeen(bool seen) { capture_->SetPreviewSeen(seen); }
  bool GetWithAudio() const { return withAudio_; }
  void SetWithAudio(bool value);
  int GetFrames() const { return frames_; }
  void SetFrames(int value);
  qint64 GetStatusHWND() const { return statusHWND_; }
  void SetStatusHWND(qint64 value);
  bool GetConfirmWindow() const { return confirmWindow_; }
  void SetConfirmWindow(bool value);
  bool GetLimitEnabled() const { return limitEnabled_; }
  void SetLimitEnabled(bool value);
  int GetLimitTime() const { return limitTime_; }
  void SetLimitTime(int value);
  bool GetUseVideoOverlay() const { return useVideoOverlay_; }
  void SetUseVideoOverlay(bool value);
  int GetPreviewRate() const { return previewRate_; }
  void SetPreviewRate(int value);
  int GetDeviceIndex() const { return deviceIndex_; }
  void SetDeviceIndex(int value);
  bool GetVideoFormat() const;
  bool GetVideoSource() const;
  bool GetVideoDisplay() const;
  bool GetVideoOverlay() const;
  int GetVideoWidth() const;
  void SetVideoWidth(int value);
  int GetVideoHeight() const;
  void SetVideoHeight(int value);
  int GetNumDrivers() const;

  // Methods.
  bool Save(const QString& filePath);
  void StartCapture();
  void DlgVideoFormat();
  void DlgVideoSource();
  void DlgAudioFormat();
  void DlgVideoDisplay();
  void SaveDIB(const QString& filePath);
  void EditCopy();
  bool CopyDIB(qintptr hDC);
  QString DeviceNameList(int index) const;

  // Stock members.
  QColor GetBackColor() const { return backColor_; }
  void SetBackColor(const QColor& color);
  int GetBorderStyle() const { return borderStyle_; }
  void SetBorderStyle(int style);
  int GetAppearance() const { return appearance_; }
  void SetAppearance(int appearance);
  static QString AppearanceDisplayString(int appearance);
  void AboutBox();
  std::unique_ptr<QMessageBox> MakeAboutBox();

  // Every member by its dispatch identifier.
  DispatchResult Invoke(int dispId, DispatchKind kind, const QVariantList& args = {});

  // The persisted property set: version, then the eleven properties in their fixed order.
  void SaveProperties(QDataStream& out) const;
  // False (and every property at its default) when the data is of another version or unreadable.
  bool LoadProperties(QDataStream& in);
  QByteArray SavedProperties() const;
  bool LoadProperties(const QByteArray& data);
  bool IsModified() const { return modified_; }
  void SetModifiedFlag(bool modified) { modified_ = modified; }

  // The property page, as a dialog.
  void ShowPropertyPage();
  static UiLanguage Language();
  static void SetLanguage(UiLanguage language);
  static QString PageCaption();

  CaptureWindow* captureWindow() const { return capture_; }
  void SetDialogRunner(CaptureWindow::DialogRunner runner);

 signals:
  void EndCapture(int frames, int drops);
  // Bound-property change, with the property's identifier.
  void PropertyChanged(int dispId);
  // Devices came or went: reading NumDrivers again lists them (not a member of the dispatch interface).
  void DevicesChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Relayout();
  void Changed(int dispId);
  void ResetDefaults();
  void OnCaptureWindowMessage(unsigned message, int code, const korvex::CaptureStatus& status);
  bool HasWindow() const { return capture_ && capture_->IsWindow(); }

  CaptureWindow* capture_ = nullptr;
  bool modified_ = false;

  bool centerWindow_ = true;
  QString captureFilePath_;
  bool preview_ = false;
  bool withAudio_ = true;
  int frames_ = 15;
  qint64 statusHWND_ = 0;
  bool confirmWindow_ = true;
  bool limitEnabled_ = false;
  int limitTime_ = 0;
  bool useVideoOverlay_ = false;
  int previewRate_ = 15;
  int deviceIndex_ = 0;

  QColor backColor_;
  int borderStyle_ = 0;
  int appearance_ = 1;
};

}  // namespace korvex
