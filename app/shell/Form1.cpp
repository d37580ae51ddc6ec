#include "Form1.h"

#include "CapturePanel.h"
#include "Controls.h"
#include "DropDownOnFocus.h"
#include "EffectPanel.h"
#include "ErrorLog.h"
#include "Form2.h"
#include "ImageView.h"
#include "OutputPanel.h"
#include "PanelRules.h"
#include "Process.h"
#include "QtMessageBoxes.h"
#include "SettingsFile.h"
#include "StampPanel.h"
#include "TrayIcon.h"

#include <korvex/KorvexCtrl.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvin {
namespace {

QLabel* StatusValue(const char* name, const QString& text) {
  auto* label = Named(new QLabel(text), name);
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Sunken);
  label->setAlignment(Qt::AlignCenter);
  label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) * 3 / 2);
  // A display panel: bright figures on black, as the capture cycles colour the background while they run.
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, Qt::black);
  palette.setColor(QPalette::Active, QPalette::WindowText, QColor(80, 255, 120));
  palette.setColor(QPalette::Inactive, QPalette::WindowText, QColor(80, 255, 120));
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
  label->setPalette(palette);
  QFont font = label->font();
  font.setFamily(QStringLiteral("Monospace"));
  font.setStyleHint(QFont::TypeWriter);
  font.setBold(true);
  label->setFont(font);
  return label;
}

}  // namespace

Form1::Form1(Form1Options options)
    : options_(std::move(options)),
      clock_(*options_.clock),
      boxes_(options_.boxes),
      dialogs_(options_.dialogs),
      context_{settings_, naming_, controls_, clock_},
      health_(clock_),
      timer_(Named(new QTimer(this), "Timer1")),
      tray_(new TrayIcon(this)) {
  if (!boxes_) {
    ownBoxes_ = std::make_unique<QtMessageBoxes>();
    boxes_ = ownBoxes_.get();
  }
  if (!dialogs_) {
    ownDialogs_ = std::make_unique<QtDialogs>();
    dialogs_ = ownDialogs_.get();
  }
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral(" Quorvin"));
  setWindowIcon(TrayIcon::MainIcon());

  auto make = options_.makeEngine ? options_.makeEngine : MakeCaptureEngine;
  engine_ = make(settings_, naming_, controls_, *this, clock_);
  WatchCycles();
  scheduler_ = std::make_unique<Scheduler>(settings_, naming_, clock_, *this, *engine_);
  context_.scheduler = scheduler_.get();
  context_.dialogs = dialogs_;
  context_.refreshNamePreview = [this] { RefreshNamePreview(); };
  context_.command1 = [this](int i) { Command1_Click(i); };
  context_.command2 = [this](int i) { Command2_Click(i); };

  auto* root = new QVBoxLayout(this);
  auto* header = new QHBoxLayout;
  auto* product = Named(new QLabel(QStringLiteral("Quorvin")), "Label6", 6);
  QFont big = product->font();
  big.setPointSizeF(big.pointSizeF() * 1.8);
  big.setBold(true);
  product->setFont(big);
  auto* version =
      Named(new QLabel(QStringLiteral("V1.8.5 (%1)").arg(QLatin1String(kVersionText))), "Label6", 7);
  version->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  context_.Label6[6] = product;
  context_.Label6[7] = version;
  header->addWidget(product);
  header->addWidget(version, 0, Qt::AlignBottom);
  header->addStretch();
  root->addLayout(header);

  auto* body = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addWidget(BuildStatusArea());
  left->addWidget(BuildDeviceArea());
  // The frame is shown scaled into the window; its container size is what FitVideoWindow sets.
  lead1View_ = Named(new ImageView(controls_.LEAD1[0]), "LEAD1", 0);
  lead1View_->setMinimumSize(240, 180);
  lead1View_->setAutoFillBackground(true);
  QPalette screen = lead1View_->palette();
  screen.setColor(QPalette::Window, QColor(24, 24, 24));
  lead1View_->setPalette(screen);
  lead1View_->setToolTip(tr("The frame being processed while a capture runs"));
  auto* frame = new QGroupBox(tr("Frame"));
  auto* frameLayout = new QVBoxLayout(frame);
  frameLayout->addWidget(lead1View_);
  left->addWidget(frame, 1);
  left->addWidget(BuildCommandArea());
  auto* leftColumn = new QWidget;
  leftColumn->setLayout(left);
  left->setContentsMargins(0, 0, 0, 0);
  leftColumn->setMinimumWidth(fontMetrics().averageCharWidth() * 48);
  body->addWidget(leftColumn, 0);

  tabs_ = Named(new QTabWidget, "SSTab1");
  outputPanel_ = new OutputPanel(context_);
  capturePanel_ = new CapturePanel(context_);
  effectPanel_ = new EffectPanel(context_);
  stampPanel_ = new StampPanel(context_);
  tabs_->addTab(outputPanel_, tr("Output files"));
  tabs_->addTab(capturePanel_, tr("Schedule && quality"));
  tabs_->addTab(effectPanel_, tr("Effect"));
  tabs_->addTab(stampPanel_, tr("Time stamp && logo"));
  body->addWidget(tabs_, 1);
  root->addLayout(body, 1);

  timer_->setInterval(500);
  connect(timer_, &QTimer::timeout, this, &Form1::Timer1_Timer);
  SetTimerEnabled(true);

  connect(tray_, &TrayIcon::SetupChosen, this, &Form1::ssVER_Click);
  connect(tray_, &TrayIcon::QuitChosen, this, &Form1::ssFIN_Click);
  // Without a display nobody sees the window: the clock, the labels and the frame view are not repainted
  // on every tick and capture. They still take their texts and values.
  if (!options_.screen) setUpdatesEnabled(false);
}

Form1::~Form1() {
  timer_->stop();
  healthTimer_->stop();
  CloseForm4();
  engine_->AttachVideo(nullptr);
  delete form2_.data();
}

QWidget* Form1::BuildStatusArea() {
  auto* box = new QGroupBox(tr("Status"));
  auto* grid = new QGridLayout(box);
  Label5_4_ = StatusValue("Label5_4", QStringLiteral("Real time"));
  Label4_ = StatusValue("Label4", QStringLiteral("SLEEP"));
  Label7_ = StatusValue("Label7", QStringLiteral("SLEEP"));
  Label4_->setEnabled(false);
  Label7_->setEnabled(false);
  grid->addWidget(new QLabel(QStringLiteral("System Clock")), 0, 0);
  grid->addWidget(Label5_4_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Next Live Capture")), 1, 0);
  grid->addWidget(Label4_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("Next History Capture")), 2, 0);
  grid->addWidget(Label7_, 2, 1);
  Label10_ = StatusValue("Label10", QString());
  Label10_->setMinimumHeight(Label10_->fontMetrics().height() * 2);
  ShowState(QStringLiteral("STANDBY"), kStandbyColor);
  grid->addWidget(Label10_, 3, 0, 1, 2);
  grid->addWidget(context_.MakeCheck1(Switch::CaptureActive, QStringLiteral("Active")), 4, 0);
  grid->addWidget(context_.MakeCheck1(Switch::StartInTray, QStringLiteral("Start on Task Try")), 4, 1);
  return box;
}

QWidget* Form1::BuildDeviceArea() {
  auto* box = new QGroupBox(tr("Capture device"));
  auto* grid = new QGridLayout(box);
  auto* group = new QButtonGroup(this);
  const char* captions[] = {"TWAIN", "VFW"};
  for (int i = 0; i < 2; ++i) {
    Option4_[i] = Named(new QRadioButton(QString::fromLatin1(captions[i])), "Option4", i);
    group->addButton(Option4_[i], i);
    connect(Option4_[i], &QRadioButton::clicked, this, [this, i] { settings_.op3[Option::Source] = i; });
    Combo3_[i] = Named(new QComboBox, "Combo3", i);
    DropDownOnFocus(Combo3_[i]);
    Combo3_[i]->setMinimumContentsLength(16);
    Combo3_[i]->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(Combo3_[i], &QComboBox::activated, this, [this, i] { Combo3_Click(i); });
    grid->addWidget(Option4_[i], i, 0);
    grid->addWidget(Combo3_[i], i, 1);
  }
  auto* source = Named(new QLabel, "Label6", 12);
  context_.Label6[12] = source;
  grid->addWidget(new QLabel(tr("Source in use")), 2, 0);
  grid->addWidget(source, 2, 1);
  grid->setColumnStretch(1, 1);
  return box;
}

QWidget* Form1::BuildCommandArea() {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  const struct {
    int index;
    const char* caption;
  } buttons[] = {{0, "Capture now"},   {3, "Preview"},       {7, "Video format"},  {8, "Video source"},
                 {4, "Load Ini Data"}, {6, "Save Ini Data"}, {2, "Set Task Tray"}, {1, "Quit"}};
  int n = 0;
  for (const auto& b : buttons) {
    grid->addWidget(context_.MakeCommand1(b.index, QString::fromLatin1(b.caption)), n / 2, n % 2);
    ++n;
  }
  auto* snapshot = Named(new QPushButton(QStringLiteral("DigiCame")), "Command3");
  snapshot->setToolTip(QString::fromUtf8("デジタルカメラとして動作し、通し番号のファイル名で保存します"));
  connect(snapshot, &QPushButton::clicked, this, &Form1::SaveSnapshot);
  grid->addWidget(snapshot, n / 2, 0, 1, 2);
  return box;
}

Form2* Form1::form2() {
  if (form2_.isNull()) {
    form2_ = new Form2(options_.devices, options_.screen);
    engine_->AttachVideo(form2_->Korvex1());
  }
  return form2_.data();
}

void Form1::Timer1_Timer() {
  // A tick queued before the end began.
  if (Ending()) return;
  FollowVideoDevices();
  scheduler_->Tick();
  // A capture leaves its frame in LEAD1(0); show it.
  lead1View_->update();
  CheckCaptureHealth();
}

void Form1::Combo3_Click(int index) {
  if (index == 1) videoChosen_ = true;
  engine_->SelectDevice(index, Combo3_[index]->currentIndex(), /*store=*/true);
}

void Form1::AddTrayIcon() {
  // Addressing Korvex1 creates the preview window, as any use of the control does.
  form2()->Korvex1()->SetPreview(false);
  tray_->Add(TrayTip(settings_));
  form2()->hide();
  // On a display without a tray a hidden window could never be reached again. Headless, nothing could.
  if (!tray_->Visible() && !RunningWithoutDisplay()) {
    WriteMessageToStderr(QStringLiteral("Quorvin"),
                         QCoreApplication::translate(
                             "quorvin", "This desktop has no system tray; the main window stays minimised."));
    showMinimized();
  }
}

void Form1::SetTrayIcon(int index) {
  tray_->Set(index, TrayTip(settings_));
}

void Form1::RemoveTrayIcon() {
  tray_->Remove();
}

void Form1::ssVER_Click() {
  RemoveTrayIcon();
  show();
}

void Form1::ssFIN_Click() {
  EndProgram();
}

void Form1::closeEvent(QCloseEvent* event) {
  EndProgram();
  event->accept();
}

void Form1::EndProgram() {
  End(boxes_);
}

void Form1::EndOnSignal(int) {
  ConsoleMessageBoxes console;
  End(&console);
}

void Form1::BeginEndWithoutSaving(int status) {
  if (Ending()) return;
  phase_ = Phase::Ending;
  exitStatus_ = status;
  SetTimerEnabled(false);
  emit EndBegan();
}

void Form1::End(MessageBoxes* saveErrors) {
  if (!Ending()) {
    phase_ = Phase::Ending;
    SetTimerEnabled(false);
    emit EndBegan();
    RemoveTrayIcon();
    if (loadedWhole_ && options_.saveAtEnd)
      SaveSettings(settings_, settingsPath_, clock_, saveErrors, settingsEncoding_);
  }
  // A second request (a signal while a box is open) comes here too: it closes what holds the end up.
  FinishEnd();
}

void Form1::FinishEnd() {
  // A box or dialog left open would keep the end waiting for an operator who may never come. Rejected,
  // the code that opened it carries on as after a cancel and finds the program ending.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible() && dialog->isModal())
      dialog->reject();
  // Form4 never runs an event loop of its own, so no handler of it can be under way here. Form2 is only
  // closed: a driver dialog of its capture control may be what is waiting, and the control must outlive it.
  CloseForm4();
  if (HasForm2()) {
    form2_->AllowClose();
    form2_->close();
  }
  hide();
  if (processEnded_) return;
  processEnded_ = true;
  if (options_.endProcess)
    options_.endProcess(exitStatus_);
  else
    QCoreApplication::exit(exitStatus_);
}

void Form1::SetTimerEnabled(bool enabled) {
  timerEnabled_ = enabled && !Ending();
  if (timerEnabled_ && phase_ == Phase::Running && options_.runTimer)
    timer_->start();
  else
    timer_->stop();
  // The health check runs on while a cycle has Timer1 off: it is what notices a stalled scheduler.
  if (phase_ != Phase::Running)
    healthTimer_->stop();
  else if (options_.runTimer && !healthTimer_->isActive())
    healthTimer_->start();
}

void Form1::SetCycleLabelColor(CycleLabel label, int32_t colorBgr) {
  SetLabelBackground(CycleLabelWidget(label), colorBgr);
}

void Form1::ProcessPendingEvents() {
  QCoreApplication::processEvents();
}

void Form1::SetBusyCursor(bool busy) {
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void Form1::SetSourceLabel(const QString& text) {
  context_.Label6[12]->setText(text);
}

void Form1::ShowClock(const QString& text) {
  Label5_4_->setText(text);
}

void Form1::SetCycleLabelText(CycleLabel label, const QString& text) {
  CycleLabelWidget(label)->setText(text);
}

void Form1::SetCycleLabelEnabled(CycleLabel label, bool enabled) {
  CycleLabelWidget(label)->setEnabled(enabled);
}

void Form1::ShowState(const QString& text, int32_t colorBgr) {
  stateText_ = text;
  stateColor_ = colorBgr;
  ShowStateWithAlarm();
}

void Form1::ShowStampSample(const QString& text) {
  context_.Label1[22]->setText(text);
}

}  // namespace quorvin
