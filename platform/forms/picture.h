#pragma once

// A picture control: shows an image, stretched to fill the control.

#include <QImage>
#include <QLabel>

namespace vornak::forms {

class TImage final : public QLabel {
 public:
  explicit TImage(QWidget* parent);
  // Shows `picture` and takes its size.
  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }

 private:
  QImage picture_;
};

}  // namespace vornak::forms
