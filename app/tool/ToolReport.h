#pragma once
// How the settings tool prints what it finds: "FILE:LINE: kind: key: detail" (no line when the finding is
// not tied to one), fatal findings on standard error, everything else on standard output.

#include <QString>

#include <cstdio>

namespace quorvin::tool {

void Print(FILE* stream, const QString& text);

class Report {
 public:
  explicit Report(QString file) : file_(std::move(file)) {}
  void Add(int line, const QString& kind, const QString& key, const QString& detail, bool fatal = false);
  const QString& File() const { return file_; }
  bool Fatal() const { return fatal_; }

 private:
  QString file_;
  bool fatal_ = false;
};

}  // namespace quorvin::tool
