#pragma once
// The task-tray icon and its pop-up menu. The icon record is kept here as the tray would hold it (present
// or not, which picture), so the program behaves the same whether or not the desktop has a tray; where
// it has none (headless), nothing is shown and the program runs on.

#include <QIcon>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace quorvin {

class TrayIcon : public QObject {
  Q_OBJECT
 public:
  enum class Picture { Main, Busy, Idle };  // the window's icon, Image1(0), Image1(1)
  // The mouse events the tray reports, as the callback's first coordinate.
  static constexpr int kLeftButtonUp = 514;
  static constexpr int kRightButtonUp = 517;

  explicit TrayIcon(QObject* parent = nullptr);
  ~TrayIcon() override;

  void Add(const QString& tip);
  // index 0 or 1: the picture of Image1(index). Without an icon nothing happens.
  void Set(int index, const QString& tip);
  void Remove();
  // The stale-capture alarm, empty when there is none: the icon is crossed out (except while a capture
  // runs) and the tip gets the alarm's text as a second line.
  void SetAlarm(const QString& text);
  // Form_MouseMove: 514 (left up) and 517 (right up) open mnuPopup at the cursor; anything else nothing.
  void Callback(int event);

  bool Present() const { return present_; }
  // Whether the desktop shows the icon: never where it has no tray.
  bool Visible() const;
  Picture Shown() const { return picture_; }
  QMenu* mnuPopup() const { return menu_; }
  QAction* ssVER() const { return setup_; }
  QAction* ssFIN() const { return quit_; }
  QString Tip() const { return tip_; }
  QString Alarm() const { return alarm_; }
  // The picture the desktop is given now.
  QIcon CurrentIcon() const;

  static QIcon MainIcon();
  static QIcon Image1(int index);
  static QIcon AlarmIcon();

 signals:
  void SetupChosen();  // ssVER_Click
  void QuitChosen();   // ssFIN_Click

 private:
  void Apply();

  QMenu* menu_;
  QAction* setup_;
  QAction* quit_;
  QSystemTrayIcon* platform_ = nullptr;  // only where the desktop has a tray
  bool present_ = false;
  Picture picture_ = Picture::Main;
  QString tip_;
  QString alarm_;
};

}  // namespace quorvin
