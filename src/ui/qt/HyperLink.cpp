// THyperLink: entered and left looks, and the click that opens the address.
#include "ui/qt/HyperLink.h"

#include <QDir>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QUrl>

#include "ui/qt/Application.h"
#include "ui/qt/Desktop.h"

namespace ipmdb::ui {
namespace {

// Resolved like a name handed to the shell: a web address as it is, the name of an existing file
// relative to the current directory. An empty name gives an empty address, which the desktop
// refuses silently.
bool OpenAddress(const QString& url) {
  if (url.isEmpty()) return true;
  return OpenWithDesktop(QUrl::fromUserInput(url, QDir::currentPath()));
}

}  // namespace

void DrawFocusFrame(QWidget& widget) {
  QStylePainter painter(&widget);
  QStyleOptionFocusRect frame;
  frame.initFrom(&widget);
  // Some styles draw the frame only once the keyboard has moved the focus; here it shows
  // whenever the widget has the focus.
  frame.state |= QStyle::State_KeyboardFocusChange;
  frame.backgroundColor = widget.palette().color(widget.backgroundRole());
  painter.drawPrimitive(QStyle::PE_FrameFocusRect, frame);
}

TFontStyles FontStylesOf(const QFont& font) {
  TFontStyles styles = 0;
  if (font.bold()) styles |= kFsBold;
  if (font.italic()) styles |= kFsItalic;
  if (font.underline()) styles |= kFsUnderline;
  if (font.strikeOut()) styles |= kFsStrikeOut;
  return styles;
}

void ApplyFontStyles(QFont& font, TFontStyles styles) {
  // The weight changes only when the bold flag does, so a weight such as DemiBold survives.
  const bool bold = (styles & kFsBold) != 0;
  if (font.bold() != bold) font.setBold(bold);
  font.setItalic((styles & kFsItalic) != 0);
  font.setUnderline((styles & kFsUnderline) != 0);
  font.setStrikeOut((styles & kFsStrikeOut) != 0);
}

THyperLink::THyperLink(QWidget* owner) : QLabel(owner), FOpener(OpenAddress) {
  setFocusPolicy(Qt::StrongFocus);
  FSavedColor = FontColor();
  FSavedStyle = FontStylesOf(font());
  FEnterColor = FontColor();
}

QColor THyperLink::FontColor() const { return palette().color(foregroundRole()); }

void THyperLink::SetFontColor(const QColor& color) {
  QPalette colors = palette();
  colors.setColor(foregroundRole(), color);
  setPalette(colors);
}

void THyperLink::Click() {
  if (FOnClick) FOnClick(this);
  if (FOpener && !FOpener(FURL) && FOnOpenFailed) FOnOpenFailed(this);
}

void THyperLink::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      event->accept();
      TApplication::RunGuarded(this, [this] { Click(); });
      return;
    default:
      QLabel::keyPressEvent(event);
  }
}

// The text as a label draws it, and the focus frame around it while the label has the keyboard
// focus.
void THyperLink::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (hasFocus()) DrawFocusFrame(*this);
}

void THyperLink::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  MouseEntered();
}

void THyperLink::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  MouseLeft();
}

void THyperLink::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  if (event->button() != Qt::LeftButton) return;
  // Accepted, so that the release comes back to this label and not to its parent.
  event->accept();
  FPressed = true;
}

void THyperLink::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || !FPressed) return;
  FPressed = false;
  event->accept();
  if (rect().contains(event->position().toPoint())) TApplication::RunGuarded(this, [this] { Click(); });
}

void THyperLink::MouseEntered() {
  setCursor(Qt::PointingHandCursor);
  FSavedColor = FontColor();
  FSavedStyle = FontStylesOf(font());
  SetFontColor(FEnterColor);
  QFont entered = font();
  // Italic and strike-out stay as they are.
  ApplyFontStyles(entered, FSavedStyle | kFsBold | kFsUnderline);
  setFont(entered);
  if (FOnMouseEnter) FOnMouseEnter(this);
}

void THyperLink::MouseLeft() {
  // The default pointer, not whatever pointer the label had before entering.
  unsetCursor();
  SetFontColor(FSavedColor);
  QFont restored = font();
  ApplyFontStyles(restored, FSavedStyle);
  setFont(restored);
  if (FOnMouseLeave) FOnMouseLeave(this);
}

}  // namespace ipmdb::ui
