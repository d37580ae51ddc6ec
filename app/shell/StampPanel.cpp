#include "StampPanel.h"

#include "Controls.h"
#include "Dialogs.h"
#include "DropDownOnFocus.h"
#include "ImageOps.h"
#include "PanelRules.h"
#include "TextDrawing.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <functional>

namespace quorvin {
namespace {

// The nine places as a 3 x 3 grid, code = 3 x column + row.
QGridLayout* PlaceGrid(const char* name, std::array<QRadioButton*, 9>& buttons, QObject* owner) {
  auto* grid = new QGridLayout;
  auto* group = new QButtonGroup(owner);
  for (int code = 0; code < 9; ++code) {
    buttons[code] = Named(new QRadioButton, name, code);
    group->addButton(buttons[code], code);
    grid->addWidget(buttons[code], code % 3, code / 3);
  }
  return grid;
}

// A label the operator clicks, as the colour sample is.
class ClickLabel : public QLabel {
 public:
  std::function<void()> clicked;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && clicked)
      clicked();
    QLabel::mouseReleaseEvent(event);
  }
};

}  // namespace

StampPanel::StampPanel(ShellContext& context, QWidget* parent) : QWidget(parent), c_(context) {
  auto* page = new QVBoxLayout(this);

  auto* stamp = new QGroupBox(tr("Time stamp"));
  auto* sg = new QGridLayout(stamp);
  auto* on = new QHBoxLayout;
  on->addWidget(new QLabel(tr("On")));
  on->addWidget(c_.MakeCheck1(Switch::StampOnLiveImage, QStringLiteral("Live Full")));
  on->addWidget(c_.MakeCheck1(Switch::StampOnHalfImage, QStringLiteral("Live Half")));
  on->addWidget(c_.MakeCheck1(Switch::StampOnHistoryImage, QStringLiteral("Histrical")));
  on->addStretch();
  sg->addLayout(on, 0, 0, 1, 4);
  const char* textNames[] = {"Head", "Foot", "Date separator", "Time separator"};
  for (int i = 0; i < 6; ++i) {
    c_.Text2[i] = Named(new QLineEdit, "Text2", i);
    connect(c_.Text2[i], &QLineEdit::textChanged, this, [this, i] { Text2_Change(i); });
  }
  for (int i = 0; i < 2; ++i) {
    sg->addWidget(new QLabel(tr(textNames[i])), 1 + i, 0);
    sg->addWidget(c_.Text2[i], 1 + i, 1, 1, 3);
  }
  sg->addWidget(new QLabel(tr("Date")), 3, 0);
  sg->addWidget(c_.MakeCombo1(4), 3, 1);
  sg->addWidget(new QLabel(tr(textNames[2])), 3, 2);
  sg->addWidget(c_.Text2[2], 3, 3);
  sg->addWidget(new QLabel(tr("Time")), 4, 0);
  sg->addWidget(c_.MakeCombo1(5), 4, 1);
  sg->addWidget(new QLabel(tr(textNames[3])), 4, 2);
  sg->addWidget(c_.Text2[3], 4, 3);

  auto* looks = new QHBoxLayout;
  auto* place = new QGroupBox(tr("Place"));
  place->setLayout(PlaceGrid("Option1", Option1, this));
  for (int i = 0; i < 9; ++i)
    connect(Option1[i], &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });
  looks->addWidget(place);
  auto* style = new QGridLayout;
  Combo2 = Named(new QComboBox, "Combo2");
  for (const auto& s : imaging::kTextStyles) Combo2->addItem(tr(s.name));
  connect(Combo2, &QComboBox::activated, this,
          [this](int index) { c_.settings.op3[Option::TextStyle] = index; });
  DropDownOnFocus(Combo2);
  style->addWidget(new QLabel(tr("Style")), 0, 0);
  style->addWidget(Combo2, 0, 1);
  auto* colour = Named(new ClickLabel, "Label2", 5);
  colour->clicked = [this] { Label2_Click(5); };
  Label2_5 = colour;
  Label2_5->setFrameShape(QFrame::Box);
  Label2_5->setMinimumSize(48, 20);
  Label2_5->setCursor(Qt::PointingHandCursor);
  Label2_5->setToolTip(tr("Text colour: click to choose"));
  style->addWidget(new QLabel(tr("Colour")), 1, 0);
  style->addWidget(Label2_5, 1, 1);
  style->addWidget(new QLabel(tr("Font")), 2, 0);
  style->addWidget(c_.MakeCommand1(13, QStringLiteral("_")), 2, 1, Qt::AlignLeft);
  looks->addLayout(style);
  looks->addStretch();
  sg->addLayout(looks, 5, 0, 1, 4);

  auto* sample = Named(new QLabel, "Label1", 22);
  sample->setFrameShape(QFrame::StyledPanel);
  sample->setMinimumHeight(40);
  sample->setWordWrap(true);
  c_.Label1[22] = sample;
  sg->addWidget(new QLabel(tr("Sample")), 6, 0);
  sg->addWidget(sample, 6, 1, 1, 2);
  auto* stampPreview = Named(new QPushButton(QStringLiteral("Stamp Preview")), "Command2", 0);
  connect(stampPreview, &QPushButton::clicked, this, [this] {
    if (c_.command2) c_.command2(0);
  });
  sg->addWidget(stampPreview, 6, 3);
  sg->setColumnStretch(1, 1);
  sg->setColumnStretch(3, 1);
  page->addWidget(stamp);

  auto* logo = new QGroupBox(tr("Logo mark"));
  auto* lg = new QGridLayout(logo);
  auto* logoOn = new QHBoxLayout;
  logoOn->addWidget(new QLabel(tr("On")));
  logoOn->addWidget(c_.MakeCheck1(Switch::LogoOnLiveImage, QStringLiteral("Live Full")));
  logoOn->addWidget(c_.MakeCheck1(Switch::LogoOnHalfImage, QStringLiteral("Live Half")));
  logoOn->addWidget(c_.MakeCheck1(Switch::LogoOnHistoryImage, QStringLiteral("Histrical")));
  logoOn->addWidget(c_.MakeCheck1(Switch::UseLogoMask, QStringLiteral("use image mask")));
  logoOn->addStretch();
  lg->addLayout(logoOn, 0, 0, 1, 4);
  lg->addWidget(new QLabel(tr("Logo file")), 1, 0);
  lg->addWidget(c_.Text2[4], 1, 1, 1, 2);
  lg->addWidget(c_.MakeCommand1(11, QStringLiteral("_")), 1, 3);
  lg->addWidget(new QLabel(tr("Mask file")), 2, 0);
  lg->addWidget(c_.Text2[5], 2, 1, 1, 2);
  lg->addWidget(c_.MakeCommand1(12, QStringLiteral("_")), 2, 3);
  auto* logoPlace = new QGroupBox(tr("Place"));
  logoPlace->setLayout(PlaceGrid("Option2", Option2, this));
  for (int i = 0; i < 9; ++i)
    connect(Option2[i], &QRadioButton::clicked, this,
            [this, i] { c_.settings.op3[Option::LogoPlacement] = i; });
  lg->addWidget(logoPlace, 3, 0, 2, 1);
  const char* posNames[] = {"Top", "Left"};
  for (int i = 0; i < 2; ++i) {
    pos[i] = Named(new QLineEdit, "pos", i);
    pos[i]->setMaximumWidth(70);
    pos[i]->setAlignment(Qt::AlignRight);
    UpDown4[i] = Named(new UpDown, "UpDown4", i);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr(posNames[i])));
    row->addWidget(pos[i]);
    row->addWidget(UpDown4[i]);
    row->addStretch();
    lg->addLayout(row, 3 + i, 1);
    connect(pos[i], &QLineEdit::textChanged, this, [this, i] { pos_Change(i); });
    connect(UpDown4[i], &UpDown::valueChanged, this, [this, i] { UpDown4_Change(i); });
  }
  Image1_2 = Named(new QLabel, "Image1", 2);
  Image1_2->setFixedSize(96, 72);
  Image1_2->setFrameShape(QFrame::StyledPanel);
  Image1_2->setAlignment(Qt::AlignCenter);
  lg->addWidget(Image1_2, 3, 2, 2, 2, Qt::AlignRight);
  lg->setColumnStretch(1, 1);
  page->addWidget(logo);
  page->addStretch();
}

void StampPanel::Text2_Change(int i) {
  if (QString* field = Text2Field(c_.settings, i)) *field = c_.Text2[i]->text();
  if (Text2RefreshesPreview(i) && c_.refreshNamePreview) c_.refreshNamePreview();
}

void StampPanel::pos_Change(int i) {
  const NumericDecision d = DecideNumericText(pos[i]->text(), kMarkPosLimits);
  switch (d.action) {
    case NumericDecision::Action::Ignore:
      return;
    case NumericDecision::Action::Replace:
      pos[i]->setText(d.replacement);
      return;
    case NumericDecision::Action::Store:
      UpDown4[i]->setValue(d.value);
      (i == 0 ? c_.settings.MarkPosTop : c_.settings.MarkPosLeft) = d.value;
      return;
  }
}

void StampPanel::UpDown4_Change(int i) {
  if (UpDown4[i]->value() > kMarkPosLimits.maximum) UpDown4[i]->setValue(kMarkPosLimits.maximum);
  if (UpDown4[i]->value() < kMarkPosLimits.minimum) UpDown4[i]->setValue(kMarkPosLimits.minimum);
  pos[i]->setText(QString::number(UpDown4[i]->value()));
}

void StampPanel::Option1_Click(int i) {
  c_.settings.op3[Option::TextPlacement] = i;
  const Qt::Alignment align = i <= 2 ? Qt::AlignLeft : i <= 5 ? Qt::AlignHCenter : Qt::AlignRight;
  c_.Label1[22]->setAlignment(align | Qt::AlignVCenter);
}

void StampPanel::Label2_Click(int index) {
  if (index != 5 || !c_.dialogs) return;
  // Cancel leaves the colour as it was.
  const std::optional<int32_t> chosen = c_.dialogs->ChooseColor(this, c_.settings.stampTextColor);
  if (!chosen) return;
  c_.settings.stampTextColor = *chosen;
  SetLabelBackground(Label2_5, *chosen);
}

void StampPanel::RefreshOptions() {
  const Settings& s = c_.settings;
  const int32_t text = s.op3[Option::TextPlacement], logo = s.op3[Option::LogoPlacement];
  if (text >= 0 && text < 9) {
    SetCheckedQuietly(Option1[text], true);
    Option1_Click(text);
  }
  if (logo >= 0 && logo < 9) SetCheckedQuietly(Option2[logo], true);
  const int32_t style = s.op3[Option::TextStyle];
  Combo2->setCurrentIndex(style >= 0 && style < Combo2->count() ? style : -1);
}

void StampPanel::RefreshTexts() {
  const Settings& s = c_.settings;
  const QString* fields[] = {&s.stampHead,    &s.stampFoot,        &s.stampDateSep,
                             &s.stampTimeSep, &s.LogomarkFilename, &s.LogomarkMaskFilename};
  for (int i = 0; i < 6; ++i) c_.Text2[i]->setText(*fields[i]);
}

void StampPanel::RefreshMarkPosition() {
  pos[0]->setText(QString::number(c_.settings.MarkPosTop));
  pos[1]->setText(QString::number(c_.settings.MarkPosLeft));
}

void StampPanel::ShowLogoPreview() {
  // The logo as loaded into LEAD1(3): decoding the file again would double the cost of a large one.
  const QString& file = c_.settings.LogomarkFilename;
  const cv::Mat& logo = c_.controls.LEAD1[3].Picture();
  if (file.isEmpty() || !QFileInfo(file).isFile() || logo.empty() || logo.type() != imaging::kColorType) {
    Image1_2->setPixmap(QPixmap());
    return;
  }
  const QImage picture(logo.data, logo.cols, logo.rows, static_cast<qsizetype>(logo.step),
                       QImage::Format_ARGB32);  // a PNG's transparency is in X
  Image1_2->setPixmap(
      QPixmap::fromImage(picture.scaled(Image1_2->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

}  // namespace quorvin
