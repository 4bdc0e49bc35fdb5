#include "platform/forms/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <functional>

namespace vornak::forms {
namespace {

// The VGA colours by their usual names.
constexpr QRgb kBlack = 0xff000000;
constexpr QRgb kMaroon = 0xff800000;
constexpr QRgb kGreen = 0xff008000;
constexpr QRgb kOlive = 0xff808000;
constexpr QRgb kNavy = 0xff000080;
constexpr QRgb kPurple = 0xff800080;
constexpr QRgb kTeal = 0xff008080;
constexpr QRgb kSilver = 0xffc0c0c0;
constexpr QRgb kGray = 0xff808080;
constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kLime = 0xff00ff00;
constexpr QRgb kYellow = 0xffffff00;
constexpr QRgb kBlue = 0xff0000ff;
constexpr QRgb kFuchsia = 0xffff00ff;
constexpr QRgb kAqua = 0xff00ffff;
constexpr QRgb kWhite = 0xffffffff;

// Draws with `paint` on a square of `size` pixels whose coordinates run from
// 0 to 100, then keeps the sixteen colours only. No antialiasing: every pixel
// drawn is one of the sixteen already.
QImage Draw(int size, const std::function<void(QPainter&)>& paint) {
  QImage canvas(size, size, QImage::Format_RGB32);
  canvas.fill(kBlack);
  {
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.scale(size / 100.0, size / 100.0);
    paint(painter);
  }
  return canvas.convertToFormat(QImage::Format_Indexed8, SixteenColours(),
                                Qt::ThresholdDither | Qt::AvoidDither);
}

void Fill(QPainter& painter, QRgb fill, QRgb outline, double outlineWidth = 1.5) {
  painter.setBrush(QColor(fill));
  if (outline == fill) {
    painter.setPen(Qt::NoPen);
  } else {
    painter.setPen(QPen(QColor(outline), outlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  }
}

// A 3.5-inch disk in the square (left, top) to (left + side, top + side):
// the cut corner at the top right, the metal shutter with its window at the
// top, the label below it, the write-protect hole at the bottom left.
void DrawFloppy(QPainter& painter, double left, double top, double side, bool labelLines) {
  const double u = side / 100.0;
  auto at = [&](double x, double y) { return QPointF(left + x * u, top + y * u); };
  auto box = [&](double x, double y, double w, double h) { return QRectF(at(x, y), QSizeF(w * u, h * u)); };

  Fill(painter, kBlue, kNavy, 2 * u);
  painter.drawPolygon(QPolygonF{at(0, 0), at(91, 0), at(100, 9), at(100, 100), at(0, 100)});

  Fill(painter, kSilver, kGray, 1.5 * u);
  painter.drawRect(box(24, 0, 50, 34));
  Fill(painter, kNavy, kNavy);
  painter.drawRect(box(52, 6, 12, 24));

  Fill(painter, kWhite, kSilver, 1.5 * u);
  painter.drawRect(box(12, 44, 76, 50));
  if (labelLines) {
    painter.setPen(QPen(QColor(kSilver), 1.5 * u));
    for (double y : {58.0, 70.0, 82.0}) painter.drawLine(at(18, y), at(82, y));
  }

  Fill(painter, kBlack, kBlack);
  painter.drawRect(box(3, 88, 6, 8));
}

void DrawProgramPicture(QPainter& painter) {
  painter.fillRect(QRectF(0, 0, 100, 100), QColor(kGreen));
  DrawFloppy(painter, 12, 8, 78, true);

  // What the pen has written on the label so far.
  painter.setPen(QPen(QColor(kNavy), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  QPainterPath writing(QPointF(25, 60));
  writing.cubicTo(QPointF(28, 53), QPointF(31, 64), QPointF(34, 57));
  writing.cubicTo(QPointF(37, 51), QPointF(40, 64), QPointF(44, 58));
  painter.drawPath(writing);

  // The pen, its tip on the label, its body rising to the right.
  Fill(painter, kRed, kMaroon, 1.2);
  painter.drawPolygon(QPolygonF{{49, 57}, {78, 28}, {84, 34}, {55, 63}});
  Fill(painter, kSilver, kBlack, 1.0);
  painter.drawPolygon(QPolygonF{{49, 57}, {55, 63}, {45, 67}});
  Fill(painter, kBlack, kBlack);
  painter.drawPolygon(QPolygonF{{46.5, 63}, {48.5, 65.5}, {45, 67}});

  // The sleeve and the cuff, coming in from the top right.
  Fill(painter, kPurple, kBlack, 1.2);
  painter.drawPolygon(QPolygonF{{80, 38}, {100, 14}, {100, 40}, {90, 50}});
  Fill(painter, kWhite, kBlack, 1.2);
  painter.drawPolygon(QPolygonF{{75, 40}, {82, 33}, {93, 47}, {86, 54}});

  // The hand closed round the pen: the back of the hand, three fingers
  // curled under the pen, and the thumb over it.
  Fill(painter, kYellow, kBlack, 1.2);
  painter.drawEllipse(QPointF(74, 49), 10, 8);
  for (const QPointF& finger : {QPointF(60, 58), QPointF(65, 61), QPointF(70, 61)}) {
    painter.drawEllipse(finger, 4.5, 3.5);
  }
  painter.save();
  painter.translate(63, 47);
  painter.rotate(-45);
  painter.drawEllipse(QPointF(0, 0), 7, 3.5);
  painter.restore();
}

void DrawProgressPicture(QPainter& painter) {
  painter.fillRect(QRectF(0, 0, 100, 100), QColor(kTeal));
  DrawFloppy(painter, 4, 10, 62, false);
  // An arrow leaving the disk to the right: the copy under way.
  Fill(painter, kYellow, kBlack, 4);
  painter.drawPolygon(QPolygonF{{54, 52}, {74, 52}, {74, 38}, {97, 62}, {74, 86}, {74, 72}, {54, 72}});
}

QIcon IconOf(std::initializer_list<QImage> images) {
  QIcon icon;
  for (const QImage& image : images) icon.addPixmap(QPixmap::fromImage(image));
  return icon;
}

}  // namespace

const QList<QRgb>& SixteenColours() {
  static const QList<QRgb> colours{kBlack, kMaroon, kGreen, kOlive, kNavy, kPurple, kTeal, kSilver,
                                   kGray,  kRed,    kLime,  kYellow, kBlue, kFuchsia, kAqua, kWhite};
  return colours;
}

QImage ProgramPicture(int size) { return Draw(size, DrawProgramPicture); }

QIcon ProgramIcon() { return IconOf({ProgramPicture(16), ProgramPicture(32), ProgramPicture(48)}); }

QImage ProgressPicture() { return Draw(32, DrawProgressPicture); }

QIcon ProgressIcon() { return IconOf({ProgressPicture()}); }

}  // namespace vornak::forms
