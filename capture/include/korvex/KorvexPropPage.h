#pragma once
// CKorvexPropPage: the control's property page, shown as a dialog. Each field is exchanged with the
// control's property of the same name; widgets carry those names as object names.

#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QFileDialog;
class QLabel;
class QLineEdit;

namespace korvex {

class CKorvexCtrl;

class CKorvexPropPage : public QDialog {
  Q_OBJECT
 public:
  static const char* const kBrowseTitle;
  static const char* const kBrowseFilter;

  explicit CKorvexPropPage(CKorvexCtrl& control, QWidget* parent = nullptr);

  // Reads the control's properties into the fields / writes the fields back to the control.
  void Load();
  void Apply();

  // The "Brows" file dialog, set up from the current text; run through the control's dialog runner.
  std::unique_ptr<QFileDialog> MakeBrowseDialog();
  void Browse();
  void SetFileDialogRunner(std::function<int(QFileDialog&)> runner) { runFileDialog_ = std::move(runner); }

 private:
  void UpdateLimitEnabling();

  CKorvexCtrl& control_;
  std::function<int(QFileDialog&)> runFileDialog_;
  QLineEdit* captureFilePath_;
  QCheckBox* centerWindow_;
  QCheckBox* confirmWindow_;
  QLineEdit* frames_;
  QCheckBox* limitEnabled_;
  QLineEdit* limitTime_;
  QLabel* limitTimeLabel_;
  QLabel* limitUnitLabel_;
  QCheckBox* preview_;
  QCheckBox* withAudio_;
  QCheckBox* useVideoOverlay_;
  QLineEdit* previewRate_;
};

}  // namespace korvex
