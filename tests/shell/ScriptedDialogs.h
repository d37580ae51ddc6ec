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
  void NextFile(std::optional<QString> answer) { Push(files_, std::move(answer)); }
  void NextFont(std::optional<FontChoice> answer) { Push(fonts_, std::move(answer)); }
  void NextColor(std::optional<int32_t> answer) { Push(colors_, answer); }
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
  // An answer kept as a flag and a value: a queue of std::optional<QString> trips GCC 12's
  // maybe-uninitialized warning in optimised builds.
  template <typename V>
  struct Answer {
    bool given;
    V value;
  };
  template <typename V>
  static void Push(std::deque<Answer<V>>& queue, std::optional<V> answer) {
    queue.push_back({answer.has_value(), answer.value_or(V{})});
  }
  template <typename V>
  static std::optional<V> Take(std::deque<Answer<V>>& queue, const char* kind) {
    if (queue.empty()) {
      ADD_FAILURE() << "a " << kind << " dialog opened that the test did not answer";
      return std::nullopt;
    }
    const Answer<V> answer = queue.front();
    queue.pop_front();
    if (!answer.given) return std::nullopt;
    return answer.value;
  }

  std::deque<Answer<QString>> files_;
  std::deque<Answer<FontChoice>> fonts_;
  std::deque<Answer<int32_t>> colors_;
  std::deque<QString> folders_;
};

}  // namespace quorvin::test
