#include "Dialogs.h"

#include "Controls.h"
#include "QtMessageBoxes.h"
#include "TextDrawing.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>

namespace quorvin {
namespace {

QString CleanFolder(const QString& path) {
  return QDir::cleanPath(QDir::fromNativeSeparators(path));
}

// A folder dialog held to a root: going above it leads back to it, and a choice outside it is not taken.
class RootedFolderDialog final : public QFileDialog {
 public:
  RootedFolderDialog(QWidget* owner, const QString& prompt, QString top)
      : QFileDialog(owner, prompt), top_(std::move(top)) {
    connect(this, &QFileDialog::directoryEntered, this, [this](const QString& entered) {
      if (!FolderWithin(top_, entered)) setDirectory(top_);
    });
  }

 protected:
  void accept() override {
    const QStringList chosen = selectedFiles();
    if (!chosen.isEmpty() && !FolderWithin(top_, chosen.first())) {
      setDirectory(top_);
      return;
    }
    QFileDialog::accept();
  }

 private:
  QString top_;
};

}  // namespace

QStringList QtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    QString patterns = parts[i + 1].trimmed();
    if (patterns.isEmpty()) continue;
    QStringList list = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : list) {
      p = p.trimmed();
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    }
    const QString qtPatterns = list.join(QLatin1Char(' '));
    // A description that already names its patterns in brackets would show them twice.
    const QString named = QLatin1Char('(') + patterns + QLatin1Char(')');
    if (description.endsWith(named)) description.chop(named.size());
    description = description.trimmed();
    filters << (description.isEmpty() ? QStringLiteral("(%1)").arg(qtPatterns)
                                      : QStringLiteral("%1 (%2)").arg(description, qtPatterns));
  }
  return filters;
}

bool FolderWithin(const QString& root, const QString& path) {
  if (root.trimmed().isEmpty()) return true;
  const QString r = CleanFolder(root);
  const QString p = CleanFolder(path);
  if (p == r) return true;
  const QString prefix = r.endsWith(QLatin1Char('/')) ? r : r + QLatin1Char('/');
  return p.startsWith(prefix);
}

std::optional<QString> QtDialogs::OpenFile(QWidget* owner, const QString& filter,
                                           const QString& initialFile) {
  if (RunningWithoutDisplay()) return std::nullopt;
  QFileDialog dialog(owner);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  const QStringList filters = QtNameFilters(filter);
  dialog.setNameFilters(filters);
  if (!filters.isEmpty()) dialog.selectNameFilter(filters.first());
  if (!initialFile.isEmpty()) {
    dialog.setDirectory(QFileInfo(initialFile).absolutePath());
    dialog.selectFile(initialFile);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().first());
}

std::optional<FontChoice> QtDialogs::ChooseFont(QWidget* owner, const QString& initialName,
                                                std::optional<int> initialSize, int32_t initialColorBgr) {
  if (RunningWithoutDisplay()) return std::nullopt;
  // The Japanese system's face names stand for their Noto counterparts here.
  imaging::InstallFontSubstitutions();
  QFont initial(initialName);
  // The dialog lists real families only: show the face the name stands for here.
  initial.setFamily(QFontInfo(initial).family());
  if (initialSize && *initialSize > 0) initial.setPointSize(*initialSize);
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, initial, owner, QString(), QFontDialog::DontUseNativeDialog);
  if (!ok) return std::nullopt;
  // Qt's font dialog has no colour of its own: the colour follows in its own dialog, and a cancel there
  // cancels the whole choice.
  const QColor color = QColorDialog::getColor(ColorFromBgr(initialColorBgr), owner);
  if (!color.isValid()) return std::nullopt;
  FontChoice choice;
  choice.name = font.family();
  choice.size = font.pointSize() > 0 ? font.pointSize() : qRound(font.pointSizeF());
  choice.colorBgr = BgrFromColor(color);
  return choice;
}

std::optional<int32_t> QtDialogs::ChooseColor(QWidget* owner, int32_t initialColorBgr) {
  if (RunningWithoutDisplay()) return std::nullopt;
  const QColor color = QColorDialog::getColor(ColorFromBgr(initialColorBgr), owner);
  if (!color.isValid()) return std::nullopt;
  return BgrFromColor(color);
}

QString QtDialogs::BrowseForFolder(QWidget* owner, const QString& root, const QString& prompt) {
  if (RunningWithoutDisplay()) return {};
  // A root that is no folder (or none) leaves the whole tree open, starting at home.
  const bool rooted = !root.trimmed().isEmpty() && QFileInfo(root).isDir();
  const QString top = rooted ? CleanFolder(QFileInfo(root).absoluteFilePath()) : QString();
  RootedFolderDialog dialog(owner, prompt, top);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  // Our own dialog, so the tree can be held to the root.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setLabelText(QFileDialog::LookIn, prompt);
  dialog.setDirectory(rooted ? top : QDir::homePath());
  if (rooted) dialog.setSidebarUrls({QUrl::fromLocalFile(top)});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const QString chosen = dialog.selectedFiles().first();
  if (!QFileInfo(chosen).isDir() || !FolderWithin(top, chosen)) return {};
  return QDir::toNativeSeparators(chosen);
}

}  // namespace quorvin
