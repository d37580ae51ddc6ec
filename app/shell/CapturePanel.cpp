#include "CapturePanel.h"

#include "Controls.h"
#include "Naming.h"
#include "Scheduler.h"
#include "SettingsFile.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <cmath>

namespace quorvin {
namespace {

QRadioButton* RadioOption(const char* name, int index, const QString& caption, QButtonGroup* group) {
  auto* b = Named(new QRadioButton(caption), name, index);
  group->addButton(b, index);
  return b;
}

}  // namespace

CapturePanel::CapturePanel(ShellContext& context, QWidget* parent) : QWidget(parent), c_(context) {
  auto* page = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  page->addLayout(top);

  auto* intervals = new QGroupBox(tr("Capture interval"));
  auto* ig = new QGridLayout(intervals);
  const char* rows[] = {"Live", "History"};
  for (int i = 0; i < 2; ++i) {
    interval[i] = Named(new QLineEdit, "interval", i);
    interval[i]->setMaximumWidth(80);
    interval[i]->setAlignment(Qt::AlignRight);
    UpDown1[i] = Named(new UpDown, "UpDown1", i);
    UpDown1[i]->setRange(kIntervalLimits.minimum, kIntervalLimits.maximum);
    ig->addWidget(new QLabel(tr(rows[i])), i, 0);
    ig->addWidget(interval[i], i, 1);
    ig->addWidget(UpDown1[i], i, 2);
    ig->addWidget(new QLabel(tr("sec")), i, 3);
    connect(interval[i], &QLineEdit::textChanged, this, [this, i] { interval_Change(i); });
    connect(UpDown1[i], &UpDown::valueChanged, this, [this, i] { UpDown1_Change(i); });
  }
  auto* presets = new QHBoxLayout;
  auto* presetGroup = new QButtonGroup(this);
  const char* captions[] = {"10min", "30min", "60min", "manual"};
  for (int i = 0; i < 4; ++i) {
    Option3[i] = RadioOption("Option3", i, QString::fromLatin1(captions[i]), presetGroup);
    presets->addWidget(Option3[i]);
    connect(Option3[i], &QRadioButton::clicked, this, [this, i] { Option3_Click(i); });
  }
  ig->addWidget(new QLabel(tr("History preset")), 2, 0);
  ig->addLayout(presets, 2, 1, 1, 4);
  ig->setColumnStretch(4, 1);
  top->addWidget(intervals, 3);

  auto* window = new QGroupBox(tr("Operation time"));
  auto* wg = new QGridLayout(window);
  auto* modeGroup = new QButtonGroup(this);
  Option16[0] = RadioOption("Option16", 0, tr("Full time"), modeGroup);
  Option16[1] = RadioOption("Option16", 1, tr("Part time"), modeGroup);
  for (int i = 0; i < 2; ++i) {
    connect(Option16[i], &QRadioButton::clicked, this, [this, i] { c_.settings.op3[Option::PartTime] = i; });
    Text3[i] = Named(new QLineEdit, "Text3", i);
    Text3[i]->setMaximumWidth(80);
    Text3[i]->setPlaceholderText(QStringLiteral("hhnn"));
    connect(Text3[i], &QLineEdit::textChanged, this, [this, i] { Text3_Change(i); });
  }
  wg->addWidget(Option16[0], 0, 0, 1, 2);
  wg->addWidget(Option16[1], 1, 0, 1, 2);
  wg->addWidget(new QLabel(tr("From")), 2, 0);
  wg->addWidget(Text3[0], 2, 1);
  wg->addWidget(new QLabel(tr("To")), 3, 0);
  wg->addWidget(Text3[1], 3, 1);
  top->addWidget(window, 2);

  auto* outputs = new QGroupBox(tr("JPEG output"));
  auto* og = new QGridLayout(outputs);
  og->addWidget(new QLabel(tr("Quality (2 best - 255)")), 0, 1, 1, 2);
  og->addWidget(new QLabel(tr("Scale %")), 0, 3, 1, 2);
  og->addWidget(new QLabel(tr("Colour")), 0, 5, 1, 2);
  const char* names[] = {"Live image", "Live thumbnail", "Half image", "History image", "History thumbnail"};
  const char* depthNames[] = {"Option8", "Option9", "Option10", "Option11", "Option12"};
  for (int i = 0; i < Output::Count; ++i) {
    og->addWidget(new QLabel(tr(names[i])), i + 1, 0);
    jrezo[i] = Named(new QLineEdit, "jrezo", i);
    UpDown3[i] = Named(new UpDown, "UpDown3", i);
    size[i] = Named(new QLineEdit, "size", i);
    UpDown2[i] = Named(new UpDown, "UpDown2", i);
    for (QLineEdit* box : {jrezo[i], size[i]}) {
      box->setMaximumWidth(70);
      box->setAlignment(Qt::AlignRight);
    }
    og->addWidget(jrezo[i], i + 1, 1);
    og->addWidget(UpDown3[i], i + 1, 2);
    og->addWidget(size[i], i + 1, 3);
    og->addWidget(UpDown2[i], i + 1, 4);
    connect(jrezo[i], &QLineEdit::textChanged, this, [this, i] { jrezo_Change(i); });
    connect(UpDown3[i], &UpDown::valueChanged, this, [this, i] { UpDown3_Change(i); });
    connect(size[i], &QLineEdit::textChanged, this, [this, i] { size_Change(i); });
    connect(UpDown2[i], &UpDown::valueChanged, this, [this, i] { UpDown2_Change(i); });
    auto* depth = new QButtonGroup(this);
    for (int k = 0; k < 2; ++k) {
      OptionDepth[i][k] =
          RadioOption(depthNames[i], k, k == 0 ? QStringLiteral("24 bit") : QStringLiteral("8 bit"), depth);
      og->addWidget(OptionDepth[i][k], i + 1, 5 + k);
      connect(OptionDepth[i][k], &QRadioButton::clicked, this, [this, i, k] {
        c_.settings.op3[Option::ColourDepth + i] = k;
        // The next picture is written at the depth just chosen, not the one of the last load.
        DeriveBitDepths(c_.settings, c_.naming);
      });
    }
  }
  og->setColumnStretch(7, 1);
  page->addWidget(outputs);
  page->addStretch();
}

void CapturePanel::Option3_Click(int index) {
  Settings& s = c_.settings;
  if (s.op3[Option::HistoryIntervalPreset] == 3) s.IntervalHistBuf = interval[1]->text();
  s.op3[Option::HistoryIntervalPreset] = index;
  interval[1]->setEnabled(false);
  UpDown1[1]->setEnabled(false);
  if (const std::optional<int32_t> seconds = HistoryPresetSeconds(index)) {
    interval[1]->setText(QString::number(*seconds));
  } else if (index == 3) {
    interval[1]->setEnabled(true);
    UpDown1[1]->setEnabled(true);
    interval[1]->setText(s.IntervalHistBuf);
  }
}

void CapturePanel::interval_Change(int index) {
  const QString text = interval[index]->text();
  if (!IsIntegerText(text)) return;
  const NumericDecision d = DecideNumericText(text, kIntervalLimits);
  if (d.action == NumericDecision::Action::Replace) {
    interval[index]->setText(d.replacement);
    return;
  }
  SchedulerState& st = c_.scheduler->State();
  if (!st.IntervalEditGuard) {
    st.IntervalEditGuard = true;
    const int32_t n = d.value;
    if (n > 0 && n < 10000) {
      UpDown1[index]->setValue(n);
      c_.settings.inter[index] = n;
      c_.scheduler->ComputeNextCapture(index);
    }
    st.IntervalEditGuard = false;
  } else {
    st.IntervalEditGuard = false;
  }
}

void CapturePanel::UpDown1_Change(int index) {
  SchedulerState& st = c_.scheduler->State();
  if (st.IntervalEditGuard) return;
  st.IntervalEditGuard = true;
  const int value = UpDown1[index]->value();
  interval[index]->setText(QString::number(value));
  c_.settings.inter[index] = value;
  c_.scheduler->ComputeNextCapture(index);
  st.IntervalEditGuard = false;
}

void CapturePanel::NumericChange(QLineEdit* box, UpDown* upDown, NumericLimits limits,
                                 const std::function<void(int32_t)>& store) {
  const NumericDecision d = DecideNumericText(box->text(), limits);
  switch (d.action) {
    case NumericDecision::Action::Ignore:
      return;
    case NumericDecision::Action::Replace:
      box->setText(d.replacement);
      return;
    case NumericDecision::Action::Store:
      upDown->setValue(d.value);
      store(d.value);
      return;
  }
}

void CapturePanel::UpDownChange(UpDown* upDown, QLineEdit* box, NumericLimits limits) {
  if (upDown->value() > limits.maximum) upDown->setValue(limits.maximum);
  if (upDown->value() < limits.minimum) upDown->setValue(limits.minimum);
  box->setText(QString::number(upDown->value()));
}

void CapturePanel::jrezo_Change(int i) {
  NumericChange(jrezo[i], UpDown3[i], kQualityLimits, [this, i](int32_t v) { c_.settings.rezo[i] = v; });
}
void CapturePanel::UpDown3_Change(int i) {
  UpDownChange(UpDown3[i], jrezo[i], kQualityLimits);
}
void CapturePanel::size_Change(int i) {
  NumericChange(size[i], UpDown2[i], kScaleLimits,
                [this, i](int32_t v) { c_.settings.zoom[i] = static_cast<float>(v) / 100.0f; });
}
void CapturePanel::UpDown2_Change(int i) {
  UpDownChange(UpDown2[i], size[i], kScaleLimits);
}

void CapturePanel::Text3_Change(int i) {
  (i == 0 ? c_.settings.StartTime : c_.settings.EndTime) = Text3[i]->text();
}

void CapturePanel::RefreshIntervals() {
  for (int i = 0; i < 2; ++i) interval[i]->setText(QString::number(c_.settings.inter[i]));
}

void CapturePanel::RefreshOptions() {
  const Settings& s = c_.settings;
  const int32_t preset = s.op3[Option::HistoryIntervalPreset];
  if (preset >= 0 && preset < 4) {
    SetCheckedQuietly(Option3[preset], true);
    Option3_Click(preset);
  }
  for (int i = 0; i < Output::Count; ++i) {
    const int32_t depth = s.op3[Option::ColourDepth + i];
    if (depth == 0 || depth == 1) SetCheckedQuietly(OptionDepth[i][depth], true);
  }
  const int32_t mode = s.op3[Option::PartTime];
  if (mode == 0 || mode == 1) SetCheckedQuietly(Option16[mode], true);
}

void CapturePanel::RefreshOperationTime() {
  Text3[0]->setText(c_.settings.StartTime);
  Text3[1]->setText(c_.settings.EndTime);
}

void CapturePanel::RefreshQuality() {
  for (int i = 0; i < Output::Count; ++i) {
    // Float arithmetic, as the record holds it: 0.2 shows as "20", not "20.0000003".
    const float percent = c_.settings.zoom[i] * 100.0f;
    size[i]->setText(FormatFloat(percent));
    UpDown2[i]->setValue(static_cast<int>(std::lround(percent)));
  }
  for (int i = 0; i < Output::Count; ++i) {
    jrezo[i]->setText(QString::number(c_.settings.rezo[i]));
    UpDown3[i]->setValue(c_.settings.rezo[i]);
  }
}

}  // namespace quorvin
