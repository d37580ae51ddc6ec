#include "EffectPanel.h"

#include "Controls.h"
#include "SettingsRules.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvin {
namespace {

// Effect k (efct(k), HScroll2(k), Label6(k)) and the check box that switches it.
constexpr Switch::Index kEffectCheck[Effect::Count] = {Switch::Sharpen, Switch::Median,  Switch::Oilify,
                                                       Switch::Mosaic,  Switch::Average, Switch::Gamma};
constexpr const char* kEffectCaption[Effect::Count] = {"Sharpen", "Median",  "Oilify",
                                                       "Mosaic",  "Average", "Gamma"};

}  // namespace

EffectPanel::EffectPanel(ShellContext& context, QWidget* parent) : QWidget(parent), c_(context) {
  auto* page = new QVBoxLayout(this);

  auto* effect = new QGroupBox(QStringLiteral("Effect"));
  auto* eg = new QGridLayout(effect);
  for (int k = 0; k < Effect::Count; ++k) {
    eg->addWidget(c_.MakeCheck1(kEffectCheck[k], QString::fromLatin1(kEffectCaption[k])), k, 0);
    HScroll2[k] = Named(new QScrollBar(Qt::Horizontal), "HScroll2", k);
    HScroll2[k]->setRange(kEffectLimits[k].minimum, kEffectLimits[k].maximum);
    HScroll2[k]->setMinimumWidth(240);
    auto* value = Named(new QLabel, "Label6", k);
    value->setMinimumWidth(48);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    c_.Label6[k] = value;
    eg->addWidget(HScroll2[k], k, 1);
    eg->addWidget(value, k, 2);
    connect(HScroll2[k], &QScrollBar::valueChanged, this, [this, k] { HScroll2_Change(k); });
    c_.afterCheck1[kEffectCheck[k]] = [this, k](bool on) {
      c_.Label6[k]->setEnabled(on);
      if (!on) return;
      c_.Label6[k]->setText(QString::number(c_.settings.efct[k]));
      HScroll2[k]->setValue(c_.settings.efct[k]);
    };
  }
  auto* plain = new QHBoxLayout;
  const struct {
    Switch::Index check;
    const char* caption;
  } plainEffects[] = {{Switch::Intensity, "Intensity"},
                      {Switch::Invert, "Invert"},
                      {Switch::Flip, "Flip"},
                      {Switch::Mirror, "Mirror"}};
  for (const auto& e : plainEffects) plain->addWidget(c_.MakeCheck1(e.check, QString::fromLatin1(e.caption)));
  plain->addStretch();
  eg->addLayout(plain, 6, 0, 1, 3);
  eg->setColumnStretch(1, 1);
  page->addWidget(effect);

  auto* row = new QHBoxLayout;
  auto* turn = new QGroupBox(tr("Turn"));
  auto* tg = new QVBoxLayout(turn);
  auto* turnGroup = new QButtonGroup(this);
  for (int i = 0; i < 4; ++i) {
    Option18[i] = Named(new QRadioButton(QStringLiteral("%1 deg").arg(i * 90)), "Option18", i);
    turnGroup->addButton(Option18[i], i);
    tg->addWidget(Option18[i]);
    connect(Option18[i], &QRadioButton::clicked, this, [this, i] { Option18_Click(i); });
  }
  row->addWidget(turn);

  auto* gamma = new QGroupBox(QStringLiteral("Color Ganmma Correct for all capture image"));
  auto* gg = new QGridLayout(gamma);
  auto* models = new QHBoxLayout;
  auto* modelGroup = new QButtonGroup(this);
  const char* modelNames[] = {"RGB", "CMYK", "Disable"};
  for (int i = 0; i < 3; ++i) {
    Option17[i] = Named(new QRadioButton(QString::fromLatin1(modelNames[i])), "Option17", i);
    modelGroup->addButton(Option17[i], i);
    models->addWidget(Option17[i]);
    connect(Option17[i], &QRadioButton::clicked, this, [this, i] { Option17_Click(i); });
  }
  models->addStretch();
  gg->addLayout(models, 0, 0, 1, 3);
  for (int i = 0; i < 3; ++i) {
    Label8[i] = Named(new QLabel, "Label8", i);
    Label8[i]->setMinimumWidth(70);
    Label8[i]->setAlignment(Qt::AlignCenter);
    HScroll1[i] = Named(new QScrollBar(Qt::Horizontal), "HScroll1", i);
    HScroll1[i]->setRange(kGammaLimits.minimum, kGammaLimits.maximum);
    Label5[i] = Named(new QLabel, "Label5", i);
    Label5[i]->setMinimumWidth(40);
    Label5[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    gg->addWidget(Label8[i], i + 1, 0);
    gg->addWidget(HScroll1[i], i + 1, 1);
    gg->addWidget(Label5[i], i + 1, 2);
    connect(HScroll1[i], &QScrollBar::valueChanged, this, [this, i] { HScroll1_Change(i); });
  }
  gg->setColumnStretch(1, 1);
  row->addWidget(gamma, 1);
  page->addLayout(row);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* preview = Named(new QPushButton(QStringLiteral("Effect Preview")), "Command2", 1);
  connect(preview, &QPushButton::clicked, this, [this] {
    if (c_.command2) c_.command2(1);
  });
  buttons->addWidget(preview);
  page->addLayout(buttons);
  page->addStretch();
}

void EffectPanel::HScroll1_Change(int i) {
  const int value = HScroll1[i]->value();
  Label5[i]->setText(QString::number(value));
  if (c_.settings.op3[Option::ColourModel] == 0)
    c_.settings.colorganma[i] = value;
  else if (c_.settings.op3[Option::ColourModel] == 1)
    c_.settings.colorganma2[i] = value;
}

void EffectPanel::HScroll2_Change(int k) {
  c_.Label6[k]->setText(QString::number(HScroll2[k]->value()));
  c_.settings.efct[k] = c_.Label6[k]->text().toInt();
}

void EffectPanel::Option17_Click(int index) {
  Settings& s = c_.settings;
  s.op3[Option::ColourModel] = index;
  for (int i = 0; i < 3; ++i) {
    Label8[i]->setEnabled(true);
    Label5[i]->setEnabled(true);
  }
  if (index == 0 || index == 1) {
    static const char* const names[2][3] = {{"Blue", "Green", "Red"}, {"Cyan", "Magenta", "Yellow"}};
    static constexpr int32_t colors[2][3] = {{0xFF0000, 0x00A000, 0x0000FF}, {0xE0A000, 0xFF00FF, 0x00A0E0}};
    const auto& values = index == 0 ? s.colorganma : s.colorganma2;
    for (int i = 0; i < 3; ++i) {
      Label8[i]->setText(QString::fromLatin1(names[index][i]));
      SetLabelBackground(Label8[i], colors[index][i]);
      QPalette palette = Label8[i]->palette();
      palette.setColor(QPalette::WindowText, Qt::white);
      Label8[i]->setPalette(palette);
      // A value from the file beyond the slider's 1..200 is shown and kept as the slider holds it, so
      // the label, the slider and the record never disagree.
      HScroll1[i]->setValue(values[i]);
      HScroll1_Change(i);
    }
  } else if (index == 2) {
    for (int i = 0; i < 3; ++i) {
      Label8[i]->setEnabled(false);
      Label5[i]->setEnabled(false);
    }
  }
}

void EffectPanel::Option18_Click(int index) {
  c_.settings.op3[Option::Turn] = index;
  c_.settings.PictureAngle = index * 9000;
}

void EffectPanel::RefreshOptions() {
  const Settings& s = c_.settings;
  const int32_t model = s.op3[Option::ColourModel], turn = s.op3[Option::Turn];
  if (model >= 0 && model < 3) {
    SetCheckedQuietly(Option17[model], true);
    Option17_Click(model);
  }
  if (turn >= 0 && turn < 4) {
    SetCheckedQuietly(Option18[turn], true);
    Option18_Click(turn);
  }
}

void EffectPanel::RefreshEffects() {
  for (int k = 0; k < Effect::Count; ++k) {
    HScroll2[k]->setValue(c_.settings.efct[k]);
    HScroll2_Change(k);
  }
}

}  // namespace quorvin
