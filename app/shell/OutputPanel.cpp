#include "OutputPanel.h"

#include "Controls.h"
#include "Naming.h"
#include "PanelRules.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvin {

OutputPanel::OutputPanel(ShellContext& context, QWidget* parent) : QWidget(parent), c_(context) {
  auto* page = new QVBoxLayout(this);

  auto* live = new QGroupBox(tr("Live images"));
  auto* lg = new QGridLayout(live);
  lg->addWidget(new QLabel(tr("Live folder")), 0, 0);
  lg->addWidget(MakeText1(18, tr("folder of the live images")), 0, 1);
  lg->addWidget(c_.MakeCommand1(10, QStringLiteral("_")), 0, 2);
  const struct {
    int check;
    const char* caption;
  } liveRows[] = {{Switch::LiveImage, "Live capture"},
                  {Switch::HalfImage, "Live Harfsize"},
                  {Switch::LiveThumbnail, "Live thumbnail"}};
  int row = 1;
  for (const auto& r : liveRows) {
    lg->addWidget(c_.MakeCheck1(r.check, QString::fromLatin1(r.caption)), row, 0);
    lg->addWidget(MakeText1(r.check), row, 1, 1, 2);
    const int i = r.check;
    c_.afterCheck1[i] = [this, i](bool on) { c_.text1[i]->setEnabled(on); };
    ++row;
  }
  lg->setColumnStretch(1, 1);
  page->addWidget(live);

  auto* hist = new QGroupBox(tr("History images"));
  auto* hg = new QGridLayout(hist);
  hg->addWidget(new QLabel(tr("History folder")), 0, 0);
  hg->addWidget(MakeText1(17, tr("the live folder when empty")), 0, 1, 1, 4);
  hg->addWidget(c_.MakeCommand1(9, QStringLiteral("_")), 0, 5);
  auto* switches = new QHBoxLayout;
  switches->addWidget(c_.MakeCheck1(Switch::HistoryImage, QStringLiteral("Hist file")));
  switches->addWidget(c_.MakeCheck1(Switch::HistoryThumbnail, QStringLiteral("Hist thumbnail file")));
  switches->addStretch();
  hg->addLayout(switches, 1, 1, 1, 5);

  hg->addWidget(new QLabel(tr("Head")), 2, 1);
  hg->addWidget(new QLabel(tr("Date / time")), 2, 2);
  hg->addWidget(new QLabel(tr("Foot")), 2, 3);
  hg->addWidget(new QLabel(tr("Thumbnail foot")), 2, 4);
  hg->addWidget(new QLabel(tr("Folder 1")), 3, 0);
  hg->addWidget(MakeText1(13), 3, 1);
  hg->addWidget(c_.MakeCombo1(0), 3, 2);
  hg->addWidget(MakeText1(12), 3, 3);
  hg->addWidget(MakeText1(11), 3, 4);
  hg->addWidget(new QLabel(tr("Folder 2")), 4, 0);
  hg->addWidget(MakeText1(0), 4, 1);
  hg->addWidget(c_.MakeCombo1(1), 4, 2);
  hg->addWidget(MakeText1(1), 4, 3);
  hg->addWidget(MakeText1(4), 4, 4);
  hg->addWidget(new QLabel(tr("File")), 5, 0);
  hg->addWidget(MakeText1(2), 5, 1);
  auto* fileFormats = new QHBoxLayout;
  fileFormats->addWidget(c_.MakeCombo1(2));
  fileFormats->addWidget(c_.MakeCombo1(3));
  hg->addLayout(fileFormats, 5, 2);
  hg->addWidget(MakeText1(3), 5, 3);
  hg->addWidget(MakeText1(5), 5, 4);

  hg->addWidget(new QLabel(tr("Image 2")), 6, 0);
  auto* image2 = new QHBoxLayout;
  for (int i = 6; i <= 9; ++i) image2->addWidget(c_.MakeCombo1(i));
  hg->addLayout(image2, 6, 1, 1, 4);

  for (int i : {27, 28}) {
    auto* label = Named(new QLabel, "Label1", i);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setFrameShape(QFrame::StyledPanel);
    label->setMinimumWidth(200);
    c_.Label1[i] = label;
    hg->addWidget(new QLabel(i == 27 ? tr("Image example") : tr("Thumbnail example")), i == 27 ? 7 : 8, 0);
    hg->addWidget(label, i == 27 ? 7 : 8, 1, 1, 5);
  }
  c_.afterCheck1[Switch::HistoryImage] = [this](bool on) { c_.Label1[27]->setEnabled(on); };
  c_.afterCheck1[Switch::HistoryThumbnail] = [this](bool on) { c_.Label1[28]->setEnabled(on); };
  hg->setColumnStretch(1, 1);
  hg->setColumnStretch(3, 1);
  hg->setColumnStretch(4, 1);
  page->addWidget(hist);
  page->addStretch();
}

QLineEdit* OutputPanel::MakeText1(int i, const QString& placeholder) {
  auto* box = Named(new QLineEdit, "text1", i);
  box->setPlaceholderText(placeholder);
  c_.text1[i] = box;
  connect(box, &QLineEdit::textChanged, this, [this, i] { text1_Change(i); });
  return box;
}

void OutputPanel::text1_Change(int i) {
  QLineEdit* box = c_.text1[i];
  if (!box) return;
  if (QString* field = Text1Field(c_.settings, i)) {
    *field = box->text();
    if (field->isEmpty()) *field = Text1EmptyDefault(c_.settings, i);
  }
  if (c_.refreshNamePreview) c_.refreshNamePreview();
}

void OutputPanel::Refresh() {
  for (int i : kText1Indexes) c_.text1[i]->setText(*Text1Field(c_.settings, i));
}

void OutputPanel::ShowExamplePaths() {
  c_.Label1[27]->setText(HistoryImagePath(c_.settings, c_.naming));
  c_.Label1[28]->setText(HistoryThumbnailPath(c_.settings, c_.naming));
}

}  // namespace quorvin
