#pragma once
// The preview window: holds only the capture control Korvex1. Closing it from its close box only hides
// it, so the capture control and its device stay alive.

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
  explicit Form2(std::shared_ptr<korvex::DeviceSource> devices, QWidget* parent = nullptr);
  korvex::CKorvexCtrl* Korvex1() const { return korvex_; }
  // From now on a close goes through: the program is ending.
  void AllowClose() { closeAllowed_ = true; }

 protected:
  // Form_QueryUnload: the operator's close only hides the window; the program's own close goes through.
  void closeEvent(QCloseEvent* event) override;

 private:
  korvex::CKorvexCtrl* korvex_;
  bool closeAllowed_ = false;
};

}  // namespace quorvin
