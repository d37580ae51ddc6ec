#pragma once
// Dialogs answered by the test: each call is recorded with what it was asked, and takes the next queued
// answer of its kind. A dialog the test did not expect fails the test and counts as cancelled.

#include "Dialogs.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

namespace quorvin::test {

class ScriptedDialogs final : public Dialogs {
 public:
  struct FileRequest {
    QString filter;
    QString initialFile;
  };
  struct FontRequest {
    QString name;
    std::optional<int> size;
    int32_t colorBgr;
  };
  struct FolderRequest {
    QString root;
    QString prompt;
  };

  // Answers, in the order the dialogs are opened; std::nullopt (or an empty folder) is a cancel.
  void NextFile(std::optional<QString> answer) { files_.push_back(std::move(answer)); }
  void NextFont(std::optional<FontChoice> answer) { fonts_.push_back(std::move(answer)); }
  void NextColor(std::optional<int32_t> answer) { colors_.push_back(answer); }
  void NextFolder(QString answer) { folders_.push_back(std::move(answer)); }
  // Runs while the file dialog is open, before it answers: the world may change under the operator.
  std::function<void()> whileFileDialogOpen;

  std::optional<QString> OpenFile(QWidget*, const QString& filter, const QString& initialFile) override {
    fileRequests.push_back({filter, initialFile});
    if (whileFileDialogOpen) whileFileDialogOpen();
    return Take(files_, "file");
  }
  std::optional<FontChoice> ChooseFont(QWidget*, const QString& name, std::optional<int> size,
                                       int32_t colorBgr) override {
    fontRequests.push_back({name, size, colorBgr});
    return Take(fonts_, "font");
  }
  std::optional<int32_t> ChooseColor(QWidget*, int32_t colorBgr) override {
    colorRequests.push_back(colorBgr);
    return Take(colors_, "colour");
  }
  QString BrowseForFolder(QWidget*, const QString& root, const QString& prompt) override {
    folderRequests.push_back({root, prompt});
    if (folders_.empty()) {
      ADD_FAILURE() << "a folder browser opened that the test did not answer";
      return {};
    }
    QString answer = folders_.front();
    folders_.pop_front();
    return answer;
  }

  std::vector<FileRequest> fileRequests;
  std::vector<FontRequest> fontRequests;
  std::vector<int32_t> colorRequests;
  std::vector<FolderRequest> folderRequests;

 private:
  template <typename T>
  static T Take(std::deque<T>& queue, const char* kind) {
    if (queue.empty()) {
      ADD_FAILURE() << "a " << kind << " dialog opened that the test did not answer";
      return T{};
    }
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
  }

  std::deque<std::optional<QString>> files_;
  std::deque<std::optional<FontChoice>> fonts_;
  std::deque<std::optional<int32_t>> colors_;
  std::deque<QString> folders_;
};

}  // namespace quorvin::test
