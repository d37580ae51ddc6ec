#pragma once
// The file, font, colour and folder dialogs go through this interface: the window layer shows Qt's
// dialogs, tests answer them. A modal dialog under the offscreen platform would wait for ever.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class QWidget;

namespace quorvin {

struct FontChoice {
  QString name;
  int size = 0;          // points
  int32_t colorBgr = 0;  // 0x00BBGGRR
};

// The folder browser's kept values, reused from one call to the next.
struct FolderBrowseState {
  QString BrowseTitle;             // the prompt above the tree
  QWidget* BrowseOwner = nullptr;  // the window the browser belongs to
  QString BrowseRoot;              // the top of the tree; empty: anywhere
  int BrowseFlags = 0;             // 0: not set yet; 1: file-system folders only
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A file to open. filter: the pipe-separated list "description|pattern|..."; its first entry is the
  // one selected. initialFile: preselected when not empty. Nothing on cancel.
  virtual std::optional<QString> OpenFile(QWidget* owner, const QString& filter,
                                          const QString& initialFile) = 0;
  // A screen font with its colour. initialSize: the dialog's own default when not given. Nothing on cancel.
  virtual std::optional<FontChoice> ChooseFont(QWidget* owner, const QString& initialName,
                                               std::optional<int> initialSize, int32_t initialColorBgr) = 0;
  // A colour, 0x00BBGGRR. Nothing on cancel.
  virtual std::optional<int32_t> ChooseColor(QWidget* owner, int32_t initialColorBgr) = 0;
  // A folder: the root itself or one below it (anywhere when the root is empty), with the prompt shown
  // above the tree. Empty when nothing was chosen.
  virtual QString BrowseForFolder(QWidget* owner, const QString& root, const QString& prompt) = 0;
};

// Qt's own dialogs. Without a display each counts as cancelled at once.
class QtDialogs final : public Dialogs {
 public:
  std::optional<QString> OpenFile(QWidget* owner, const QString& filter, const QString& initialFile) override;
  std::optional<FontChoice> ChooseFont(QWidget* owner, const QString& initialName,
                                       std::optional<int> initialSize, int32_t initialColorBgr) override;
  std::optional<int32_t> ChooseColor(QWidget* owner, int32_t initialColorBgr) override;
  QString BrowseForFolder(QWidget* owner, const QString& root, const QString& prompt) override;
};

// "desc|pattern|desc|pattern|" as Qt name filters "desc (patterns)", in order. "*.*" becomes "*": here a
// file needs no dot in its name to be a file.
QStringList QtNameFilters(const QString& filter);

// True when `path` is `root` or lies below it (an empty root holds everything).
bool FolderWithin(const QString& root, const QString& path);

}  // namespace quorvin
