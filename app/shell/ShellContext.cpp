#include "ShellContext.h"

#include "Controls.h"
#include "DropDownOnFocus.h"
#include "Naming.h"
#include "SettingsRules.h"

namespace quorvin {

bool Check1Shown(int i) {
  return i >= 1 && i <= 29 && i != 4 && i != 5 && i != 15 && i != 16 && i != 27;
}

void ShellContext::Check1Click(int i) {
  if (i < 0 || i >= static_cast<int>(Check1.size()) || !Check1[i]) return;
  const bool ticked = Check1[i]->isChecked();
  // Only the switches that mean something are stored.
  if (SwitchHasCheckBox(i)) settings.ch1[i] = ticked ? 1 : 0;
  if (afterCheck1[i]) afterCheck1[i](ticked);
}

void ShellContext::Combo1Click(int i) {
  if (!Combo1[i]) return;
  settings.op2[i] = Combo1[i]->currentIndex();
  DeriveNameFormats(settings, naming);
  if (refreshNamePreview) refreshNamePreview();
}

QCheckBox* ShellContext::MakeCheck1(int i, const QString& caption) {
  auto* box = Named(new QCheckBox(caption), "Check1", i);
  Check1[i] = box;
  QObject::connect(box, &QCheckBox::clicked, box, [this, i] { Check1Click(i); });
  return box;
}

QComboBox* ShellContext::MakeCombo1(int i) {
  auto* combo = Named(new QComboBox, "Combo1", i);
  QStringList entries;
  auto add = [&](const auto& list) {
    for (const char* e : list) entries << QString::fromLatin1(e);
  };
  switch (i) {
    case 0:
    case 2:
    case 6:
    case 8:
      add(kFolderDateFormats1);
      break;
    case 1:
    case 7:
      add(kFolderDateFormats2);
      break;
    case 3:
    case 9:
      // The time formats as the names keep them: "hhnns" is "hhnnss" cut to five characters.
      for (int k = 0; k < static_cast<int>(kFileTimeFormats.size()); ++k)
        entries << QString::fromLatin1(kFileTimeFormats[k]).left(kFileTimeLengths[k]);
      break;
    case 4:
      add(kStampDateFormats);
      break;
    case 5:
      add(kStampTimeFormats);
      break;
    default:
      break;
  }
  for (QString& e : entries)
    if (e.trimmed().isEmpty()) e.clear();
  combo->addItems(entries);
  combo->setCurrentIndex(-1);
  Combo1[i] = combo;
  QObject::connect(combo, &QComboBox::activated, combo, [this, i] { Combo1Click(i); });
  DropDownOnFocus(combo);
  return combo;
}

QPushButton* ShellContext::MakeCommand1(int i, const QString& caption) {
  auto* button = Named(new QPushButton(caption), "Command1", i);
  Command1[i] = button;
  QObject::connect(button, &QPushButton::clicked, button, [this, i] {
    if (command1) command1(i);
  });
  return button;
}

}  // namespace quorvin
