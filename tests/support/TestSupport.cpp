#include "TestSupport.h"

#include <QFile>

#include <stdexcept>

namespace quorvin::test {

WorkingFolder::WorkingFolder() : previous_(QDir::currentPath()) {
  if (!dir_.isValid() || !QDir::setCurrent(dir_.path())) throw std::runtime_error("no temporary folder");
}

WorkingFolder::~WorkingFolder() {
  QDir::setCurrent(previous_);
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
    throw std::runtime_error("cannot write " + path.toStdString());
}

}  // namespace quorvin::test
