// Writes the program's picture as the PNG icons of the hicolor theme:
//   make_icons FOLDER SIZE...
// makes FOLDER/SIZExSIZE/apps/vornak.png for every SIZE, from the same
// drawing as the window icon and the about box.

#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

#include "platform/forms/icons.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_icons FOLDER SIZE...\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  for (int i = 2; i < argc; ++i) {
    bool number = false;
    const int size = QString(argv[i]).toInt(&number);
    if (!number || size < 1) {
      std::fprintf(stderr, "make_icons: not a size: %s\n", argv[i]);
      return 2;
    }
    const QString dimension = QString("%1x%1").arg(size);
    const QString apps = folder + "/" + dimension + "/apps";
    if (!QDir().mkpath(apps) || !vornak::forms::ProgramPicture(size).save(apps + "/vornak.png", "PNG")) {
      std::fprintf(stderr, "make_icons: cannot write %s/vornak.png\n", qPrintable(apps));
      return 1;
    }
  }
  return 0;
}
