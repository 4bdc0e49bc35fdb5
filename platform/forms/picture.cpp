#include "platform/forms/picture.h"

#include <QPixmap>

namespace vornak::forms {

TImage::TImage(QWidget* parent) : QLabel(parent) { setScaledContents(true); }

void TImage::SetPicture(const QImage& picture) {
  picture_ = picture;
  setPixmap(QPixmap::fromImage(picture));
  resize(picture.size());
}

}  // namespace vornak::forms
