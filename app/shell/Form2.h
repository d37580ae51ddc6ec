#pragma once
// The preview window: holds only the capture control Korvex1. Closing it from its close box only hides
// it, so the capture control and its device stay alive. It tells Korvex1 whenever the preview comes into
// or goes out of sight (shown, hidden, minimised), so nothing is converted for a preview nobody sees.

#include <QWidget>

#include <memory>

namespace korvex {
class CKorvexCtrl;
class DeviceSource;
}  // namespace korvex

namespace quorvin {

class Form2 : public QWidget {
  Q_OBJECT
 public:
  // `screen`: false when there is no display, so no window can be seen.
  explicit Form2(std::shared_ptr<korvex::DeviceSource> devices, bool screen = true,
                 QWidget* parent = nullptr);
  korvex::CKorvexCtrl* Korvex1() const { return korvex_; }
  // From now on a close goes through: the program is ending.
  void AllowClose() { closeAllowed_ = true; }

 protected:
  // Form_QueryUnload: the operator's close only hides the window; the program's own close goes through.
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void TellWhetherSeen();

  korvex::CKorvexCtrl* korvex_;
  bool screen_;
  bool closeAllowed_ = false;
};

}  // namespace quorvin
