// draw-images: paints the window's pictures as PNG files into the folder given as its argument:
// the select button's red plus (plus.png), the convert button's green curved arrow (arrow.png),
// both 16 x 16, and the program icon at 16, 24, 32, 48, 64, 72, 96 and 128 pixels
// (icon-<size>.png). Everything is drawn from coordinates in this file, so a build always
// produces the same pictures; no text is drawn, so no font is involved.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QString>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kButtonPictureSize = 16;
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 72, 96, 128};
// The icon is drawn on a square of this many units and scaled to each size.
constexpr double kIconUnits = 128.0;

QImage TransparentImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// A plus sign of two bars three pixels wide, red with a darker rim so that it stays visible on
// the light button face.
QImage DrawPlus() {
  QImage image = TransparentImage(kButtonPictureSize);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath plus;
  plus.addRect(QRectF(6.5, 2.5, 3, 11));
  plus.addRect(QRectF(2.5, 6.5, 11, 3));
  plus.setFillRule(Qt::WindingFill);
  painter.setPen(QPen(QColor(128, 0, 0), 1.0));
  painter.setBrush(QColor(230, 30, 30));
  painter.drawPath(plus.simplified());
  return image;
}

// Three quarters of a circle running clockwise from the lower left, ending in an arrow head at
// the lower right, in green.
void DrawCurvedArrow(QPainter& painter, const QRectF& circle, double width, const QColor& color) {
  painter.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
  painter.setBrush(Qt::NoBrush);
  // Qt measures angles counter-clockwise from 3 o'clock, in sixteenths of a degree.
  constexpr int kStartAngle = 225 * 16;
  constexpr int kSpanAngle = -240 * 16;
  painter.drawArc(circle, kStartAngle, kSpanAngle);

  // The arc ends 15 degrees below 3 o'clock. On screen (y downwards) that end lies at angle
  // +15 degrees; the head continues along the clockwise tangent there and is as wide as the
  // normal allows on both sides of the stroke.
  constexpr double kEndRadians = 15.0 * 3.14159265358979 / 180.0;
  const QPointF normal(std::cos(kEndRadians), std::sin(kEndRadians));
  const QPointF tangent(-std::sin(kEndRadians), std::cos(kEndRadians));
  const QPointF end = circle.center() + normal * (circle.width() / 2);
  QPainterPath head;
  head.moveTo(end + tangent * (width * 1.8));
  head.lineTo(end + normal * (width * 1.5));
  head.lineTo(end - normal * (width * 1.5));
  head.closeSubpath();
  painter.setPen(Qt::NoPen);
  painter.setBrush(color);
  painter.drawPath(head);
}

QImage DrawArrow() {
  QImage image = TransparentImage(kButtonPictureSize);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  DrawCurvedArrow(painter, QRectF(2.5, 2.5, 10, 10), 2.2, QColor(0, 150, 0));
  return image;
}

// A database drum (a cylinder with two bands) on a blue rounded square, with the green curved
// arrow of the convert button in front of its lower right.
QImage DrawIcon(int size) {
  QImage image = TransparentImage(size);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / kIconUnits, size / kIconUnits);

  QLinearGradient background(0, 0, 0, kIconUnits);
  background.setColorAt(0, QColor(60, 120, 210));
  background.setColorAt(1, QColor(20, 60, 150));
  painter.setPen(Qt::NoPen);
  painter.setBrush(background);
  painter.drawRoundedRect(QRectF(4, 4, 120, 120), 22, 22);

  const QColor drumFace(245, 245, 240);
  const QColor drumRim(150, 160, 175);
  const double left = 26, right = 86, top = 22, bottom = 96, cap = 12;
  QPainterPath drum;
  drum.moveTo(left, top + cap);
  drum.lineTo(left, bottom);
  drum.arcTo(QRectF(left, bottom - cap, right - left, 2 * cap), 180, 180);
  drum.lineTo(right, top + cap);
  drum.arcTo(QRectF(left, top, right - left, 2 * cap), 0, 180);
  drum.closeSubpath();
  painter.setPen(QPen(drumRim, 3));
  painter.setBrush(drumFace);
  painter.drawPath(drum);
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QRectF(left, top, right - left, 2 * cap));
  for (const double band : {top + 26, top + 50}) {
    painter.drawArc(QRectF(left, band, right - left, 2 * cap), 180 * 16, 180 * 16);
  }

  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 255, 255, 230));
  painter.drawEllipse(QRectF(66, 66, 54, 54));
  DrawCurvedArrow(painter, QRectF(76, 76, 34, 34), 7, QColor(0, 150, 0));
  return image;
}

bool Save(const QImage& image, const QDir& folder, const QString& name) {
  const QString path = folder.filePath(name);
  if (image.save(path, "PNG")) return true;
  std::fprintf(stderr, "draw-images: cannot write %s\n", path.toLocal8Bit().constData());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: draw-images FOLDER\n");
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(".")) {
    std::fprintf(stderr, "draw-images: cannot create %s\n", argv[1]);
    return 1;
  }
  bool ok = Save(DrawPlus(), folder, "plus.png") && Save(DrawArrow(), folder, "arrow.png");
  for (const int size : kIconSizes) ok = ok && Save(DrawIcon(size), folder, QString("icon-%1.png").arg(size));
  return ok ? 0 : 1;
}
