#pragma once

// The two kinds of text the windows show besides their own captions: names and
// descriptions read from disks and images (bytes in the old ANSI code page,
// shown one byte per character) and file names (Linux paths, in the locale's
// encoding).

#include <QFile>
#include <QString>
#include <string>

namespace vornak::forms {

inline QString FromAnsi(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
// Characters outside the code page become "?".
inline std::string ToAnsi(const QString& text) { return text.toLatin1().toStdString(); }

inline QString FromPath(const std::string& path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}
inline std::string ToPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace vornak::forms
