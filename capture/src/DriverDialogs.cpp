#include "DriverDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

namespace korvex {

namespace {
QDialogButtonBox* AddButtons(QDialog* dialog, QVBoxLayout* layout) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
  return buttons;
}

void SelectData(QComboBox* box, const QVariant& data) {
  const int i = box->findData(data);
  if (i >= 0) box->setCurrentIndex(i);
}
}  // namespace

FormatDialog::FormatDialog(const std::vector<VideoFormat>& offered, const VideoFormat& current,
                           QWidget* parent)
    : QDialog(parent), offered_(offered) {
  setWindowTitle(tr("Video Format"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  pixel_ = new QComboBox(this);
  pixel_->setObjectName(QStringLiteral("pixelBox"));
  size_ = new QComboBox(this);
  size_->setObjectName(QStringLiteral("sizeBox"));
  rate_ = new QComboBox(this);
  rate_->setObjectName(QStringLiteral("rateBox"));
  form->addRow(tr("Pixel format:"), pixel_);
  form->addRow(tr("Size:"), size_);
  form->addRow(tr("Frame rate:"), rate_);
  layout->addLayout(form);
  AddButtons(this, layout);

  std::vector<QString> pixels;
  for (const auto& f : offered_)
    if (std::find(pixels.begin(), pixels.end(), f.pixelFormat) == pixels.end())
      pixels.push_back(f.pixelFormat);
  for (const auto& p : pixels) pixel_->addItem(p, p);
  SelectData(pixel_, current.pixelFormat);
  FillSizes();
  SelectData(size_, QSize(current.width, current.height));
  FillRates();
  SelectData(rate_, QPoint(current.fpsNum, current.fpsDen));
  connect(pixel_, &QComboBox::currentIndexChanged, this, [this] {
    FillSizes();
    FillRates();
  });
  connect(size_, &QComboBox::currentIndexChanged, this, [this] { FillRates(); });
}

void FormatDialog::FillSizes() {
  const QVariant keep = size_->currentData();
  QSignalBlocker block(size_);
  size_->clear();
  std::set<std::pair<int, int>> sizes;
  for (const auto& f : offered_)
    if (f.pixelFormat == pixel_->currentData().toString()) sizes.emplace(f.width, f.height);
  for (const auto& [w, h] : sizes) size_->addItem(QStringLiteral("%1 x %2").arg(w).arg(h), QSize(w, h));
  SelectData(size_, keep);
}

void FormatDialog::FillRates() {
  const QVariant keep = rate_->currentData();
  rate_->clear();
  const QSize size = size_->currentData().toSize();
  std::vector<std::pair<int, int>> rates;
  for (const auto& f : offered_) {
    if (f.pixelFormat != pixel_->currentData().toString() || QSize(f.width, f.height) != size) continue;
    if (std::find(rates.begin(), rates.end(), std::pair(f.fpsNum, f.fpsDen)) == rates.end())
      rates.emplace_back(f.fpsNum, f.fpsDen);
  }
  for (const auto& [n, d] : rates)
    rate_->addItem(n > 0 ? QStringLiteral("%1 fps").arg(static_cast<double>(n) / d, 0, 'g', 4)
                         : tr("as the camera sends"),  // a network camera keeps its own rate
                   QPoint(n, d));
  SelectData(rate_, keep);
}

VideoFormat FormatDialog::Chosen() const {
  VideoFormat f;
  f.pixelFormat = pixel_->currentData().toString();
  const QSize size = size_->currentData().toSize();
  f.width = size.width();
  f.height = size.height();
  const QPoint rate = rate_->currentData().toPoint();
  f.fpsNum = rate.x();
  f.fpsDen = rate.y();
  return f;
}

SourceDialog::SourceDialog(CaptureDevice& device, QWidget* parent) : QDialog(parent), device_(device) {
  setWindowTitle(tr("Video Source"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  for (const DeviceControl& c : device_.Controls()) {
    initial_[c.id] = c.value;
    QWidget* editor = MakeEditor(c);
    editor->setEnabled(!c.inactive);
    form->addRow(c.label, editor);
  }
  layout->addLayout(form);
  refusal_ = new QLabel(this);
  refusal_->setObjectName(QStringLiteral("refusal"));
  layout->addWidget(refusal_);
  AddButtons(this, layout);
}

QWidget* SourceDialog::MakeEditor(const DeviceControl& c) {
  const QString id = c.id, label = c.label;
  if (c.kind == DeviceControl::Kind::Boolean) {
    auto* box = new QCheckBox(this);
    box->setObjectName(QStringLiteral("control_") + id);
    box->setChecked(c.value != 0);
    connect(box, &QCheckBox::toggled, this, [this, id, label](bool on) { Set(id, label, on ? 1 : 0); });
    editors_[id] = {box, [box](int v) { box->setChecked(v != 0); }};
    return box;
  }
  if (c.kind == DeviceControl::Kind::Menu) {
    auto* box = new QComboBox(this);
    box->setObjectName(QStringLiteral("control_") + id);
    for (int i = 0; i < c.menuItems.size(); ++i) box->addItem(c.menuItems[i], c.MenuValue(i));
    SelectData(box, c.value);
    connect(box, &QComboBox::currentIndexChanged, this,
            [this, id, label, box] { Set(id, label, box->currentData().toInt()); });
    editors_[id] = {box, [box](int v) { SelectData(box, v); }};
    return box;
  }
  auto* spin = new QSpinBox(this);
  spin->setRange(c.minimum, c.maximum);
  spin->setSingleStep(c.step);
  spin->setValue(c.value);
  spin->setObjectName(QStringLiteral("control_") + id);
  if (c.writeOnly) {
    // A relative move: sent once the operator has typed it, never read back.
    spin->setKeyboardTracking(false);
    connect(spin, &QSpinBox::valueChanged, this, [this, id, label](int v) { Set(id, label, v); });
    editors_[id] = {spin, [](int) {}};
    return spin;
  }
  auto* slider = new QSlider(Qt::Horizontal, this);
  slider->setRange(c.minimum, c.maximum);
  slider->setSingleStep(c.step);
  slider->setValue(c.value);
  connect(slider, &QSlider::valueChanged, spin, &QSpinBox::setValue);
  connect(spin, &QSpinBox::valueChanged, slider, &QSlider::setValue);
  connect(spin, &QSpinBox::valueChanged, this, [this, id, label](int v) { Set(id, label, v); });
  auto* row = new QWidget(this);
  auto* row_layout = new QHBoxLayout(row);
  row_layout->setContentsMargins(0, 0, 0, 0);
  row_layout->addWidget(slider, 1);
  row_layout->addWidget(spin);
  editors_[id] = {row, [spin, slider](int v) {
                    spin->setValue(v);
                    slider->setValue(v);
                  }};
  return row;
}

void SourceDialog::Set(const QString& id, const QString& label, int value) {
  const bool taken = device_.SetControl(id, value);
  Refresh();
  refusal_->setText(taken ? QString() : tr("The device refused %1 = %2").arg(label).arg(value));
}

void SourceDialog::Refresh() {
  for (const DeviceControl& c : device_.Controls()) {
    const auto editor = editors_.find(c.id);
    if (editor == editors_.end()) continue;
    auto& [widget, show] = editor->second;
    const QList<QWidget*> parts = widget->findChildren<QWidget*>() << widget;
    for (QWidget* part : parts) part->blockSignals(true);
    show(c.value);
    for (QWidget* part : parts) part->blockSignals(false);
    widget->setEnabled(!c.inactive);
  }
}

const char* const AudioFormatDialog::kTitle = "ｻﾝﾌﾟﾘﾝｸﾞ Format Selection";

AudioFormatDialog::AudioFormatDialog(const AudioFormat& current, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8(kTitle));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  rate_ = new QComboBox(this);
  rate_->setObjectName(QStringLiteral("rateBox"));
  for (int r : {8000, 11025, 16000, 22050, 32000, 44100, 48000})
    rate_->addItem(QStringLiteral("%1 Hz").arg(r), r);
  channels_ = new QComboBox(this);
  channels_->setObjectName(QStringLiteral("channelsBox"));
  channels_->addItem(tr("Mono"), 1);
  channels_->addItem(tr("Stereo"), 2);
  bits_ = new QComboBox(this);
  bits_->setObjectName(QStringLiteral("bitsBox"));
  bits_->addItem(tr("8 bit"), 8);
  bits_->addItem(tr("16 bit"), 16);
  form->addRow(tr("Format:"), new QLabel(QStringLiteral("PCM"), this));
  form->addRow(tr("Sample rate:"), rate_);
  form->addRow(tr("Channels:"), channels_);
  form->addRow(tr("Bits:"), bits_);
  layout->addLayout(form);
  AddButtons(this, layout);
  SelectData(rate_, current.rate);
  SelectData(channels_, current.channels);
  SelectData(bits_, current.bits);
}

AudioFormat AudioFormatDialog::Chosen() const {
  return AudioFormat{rate_->currentData().toInt(), channels_->currentData().toInt(),
                     bits_->currentData().toInt()};
}

}  // namespace korvex
