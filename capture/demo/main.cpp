// A small host for the capture control: the control, its device list and a button for each operation.
#include <korvex/CaptureWindow.h>
#include <korvex/KorvexCtrl.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QWidget>

using korvex::CKorvexCtrl;
using korvex::DispatchKind;

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  QWidget window;
  window.setWindowTitle(QStringLiteral("korvex demo"));
  auto* layout = new QVBoxLayout(&window);
  auto* devices = new QComboBox(&window);
  auto* control = new CKorvexCtrl(&window);
  control->setObjectName(QStringLiteral("Korvex1"));
  control->setMinimumSize(660, 500);
  auto* status = new QLabel(QStringLiteral("ready"), &window);
  auto* grabbed = new QLabel(&window);
  grabbed->setFixedSize(160, 120);
  grabbed->setFrameShape(QFrame::Box);

  // Reading the count reads the list again, as a host does: cameras plugged in since appear.
  auto list_devices = [control, devices] {
    const QSignalBlocker quiet(devices);
    devices->clear();
    const int count = control->GetNumDrivers();
    for (int i = 0; i < count; ++i) devices->addItem(control->DeviceNameList(i));
    devices->setCurrentIndex(control->captureWindow()->CurrentDeviceIndex());
  };
  list_devices();
  QObject::connect(devices, &QComboBox::currentIndexChanged, control, &CKorvexCtrl::SetDeviceIndex);

  auto* buttons = new QHBoxLayout;
  auto add = [&](const QString& text, auto&& action) {
    auto* button = new QPushButton(text, &window);
    QObject::connect(button, &QPushButton::clicked, control, action);
    buttons->addWidget(button);
    return button;
  };
  auto* preview = add(QStringLiteral("Preview"), [control] { control->SetPreview(!control->GetPreview()); });
  preview->setCheckable(true);
  add(QStringLiteral("Format..."), [control] { control->DlgVideoFormat(); });
  add(QStringLiteral("Source..."), [control] { control->DlgVideoSource(); });
  add(QStringLiteral("Audio..."), [control] { control->DlgAudioFormat(); });
  add(QStringLiteral("Display..."), [control] { control->DlgVideoDisplay(); });
  add(QStringLiteral("Grab"), [control, grabbed] {
    QImage host(control->GetVideoWidth(), control->GetVideoHeight(), QImage::Format_RGB32);
    host.fill(Qt::black);
    // The host image's address is the device-context handle CopyDIB paints onto.
    if (control
            ->Invoke(korvex::kDispCopyDIB, DispatchKind::Method,
                     {qlonglong(reinterpret_cast<qintptr>(&host))})
            .value.toBool())
      grabbed->setPixmap(QPixmap::fromImage(host.scaled(grabbed->size(), Qt::KeepAspectRatio)));
  });
  add(QStringLiteral("Save BMP"), [control] {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QDir().mkpath(folder);
    control->SaveDIB(QDir(folder).filePath(QStringLiteral("korvex-grab.bmp")));
  });
  add(QStringLiteral("Record 5 s"), [control] {
    if (control->GetCaptureFilePath().isEmpty()) {
      const QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
      QDir().mkpath(folder);
      control->SetCaptureFilePath(QDir(folder).filePath(QStringLiteral("korvex-capture.avi")));
    }
    control->SetLimitEnabled(true);
    control->SetLimitTime(5);
    control->StartCapture();
  });
  add(QStringLiteral("Properties..."), [control] { control->ShowPropertyPage(); });
  add(QStringLiteral("About"), [control] { control->AboutBox(); });

  QObject::connect(control, &CKorvexCtrl::EndCapture, status, [status](int frames, int drops) {
    status->setText(QStringLiteral("EndCapture: %1 frames, %2 dropped").arg(frames).arg(drops));
  });
  control->SetStatusHWND(qint64(status->winId()));

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("Device:"), &window));
  top->addWidget(devices, 1);
  auto* relist = new QPushButton(QStringLiteral("List again"), &window);
  QObject::connect(relist, &QPushButton::clicked, &window, list_devices);
  top->addWidget(relist);
  top->addWidget(grabbed);
  layout->addLayout(top);
  layout->addWidget(control, 1);
  layout->addLayout(buttons);
  layout->addWidget(status);

  const bool start_preview = !app.arguments().contains(QStringLiteral("--no-preview"));
  control->SetPreview(start_preview);
  preview->setChecked(start_preview);
  window.resize(1000, 720);
  window.show();
  return app.exec();
}
