// THyperLink: a text label that behaves like a link on a web page. While the mouse pointer is
// over it, it shows the hand pointer and draws its text in EnterColor, bold and underlined; on
// leaving it returns to the colour and style its font had when the pointer entered. A click runs
// the label's own click event and then hands URL to the desktop, which opens it with the program
// registered for it (a web address in the browser) without waiting; when the desktop has no such
// program, the label's OnOpenFailed event says so.
//
// The label takes the keyboard focus with Tab (or a click) and shows it with a focus frame; Enter,
// Return and Space then click it.
//
// The font colour is the label's foreground (window-text) colour in its palette.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>
#include <cstdint>
#include <functional>

class QEnterEvent;
class QEvent;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;

namespace ipmdb::ui {

// A font's style set: one bit per flag.
using TFontStyles = uint8_t;
inline constexpr TFontStyles kFsBold = 1 << 0;
inline constexpr TFontStyles kFsItalic = 1 << 1;
inline constexpr TFontStyles kFsUnderline = 1 << 2;
inline constexpr TFontStyles kFsStrikeOut = 1 << 3;

// Draws the style's keyboard focus frame around `widget`, from inside its paintEvent. For the link
// and the window's flat buttons, which the style draws without one.
void DrawFocusFrame(QWidget& widget);

TFontStyles FontStylesOf(const QFont& font);
// Sets the four flags of `font` from `styles`. A font that turns bold gets QFont::Bold, one that
// stops being bold QFont::Normal; a weight whose flag does not change stays as it is.
void ApplyFontStyles(QFont& font, TFontStyles styles);

class THyperLink : public QLabel {
  Q_OBJECT
  Q_PROPERTY(QString URL READ URL WRITE SetURL)
  Q_PROPERTY(QColor EnterColor READ EnterColor WRITE SetEnterColor)

 public:
  using TNotifyEvent = std::function<void(THyperLink* sender)>;
  // Opens an address; false when nothing could open it. The default asks the desktop.
  using TUrlOpener = std::function<bool(const QString& url)>;

  // EnterColor starts as the font colour the label has now, so a label whose EnterColor is never
  // set turns to that colour on entering, whatever colour it is given later.
  explicit THyperLink(QWidget* owner = nullptr);

  const QString& URL() const { return FURL; }
  void SetURL(const QString& url) { FURL = url; }
  // A new value counts from the next entry: setting it while the pointer is inside does not
  // recolour the text.
  const QColor& EnterColor() const { return FEnterColor; }
  void SetEnterColor(const QColor& color) { FEnterColor = color; }
  // Called after entering, when the label already shows its entered look.
  const TNotifyEvent& OnMouseEnter() const { return FOnMouseEnter; }
  void SetOnMouseEnter(TNotifyEvent handler) { FOnMouseEnter = std::move(handler); }
  // Called after leaving, when the label is already restored.
  const TNotifyEvent& OnMouseLeave() const { return FOnMouseLeave; }
  void SetOnMouseLeave(TNotifyEvent handler) { FOnMouseLeave = std::move(handler); }
  // The label's own click event, run before the address is opened.
  const TNotifyEvent& OnClick() const { return FOnClick; }
  void SetOnClick(TNotifyEvent handler) { FOnClick = std::move(handler); }
  // Called after a click when the opener could not open the address.
  const TNotifyEvent& OnOpenFailed() const { return FOnOpenFailed; }
  void SetOnOpenFailed(TNotifyEvent handler) { FOnOpenFailed = std::move(handler); }

  QColor FontColor() const;
  void SetFontColor(const QColor& color);

  void SetUrlOpener(TUrlOpener opener) { FOpener = std::move(opener); }

  // What a click does: the click event, then the address handed to the opener.
  virtual void Click();

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void MouseEntered();
  void MouseLeft();

  QString FURL;
  // The font colour and style when the pointer last entered: written on entering, read on leaving.
  QColor FSavedColor;
  TFontStyles FSavedStyle = 0;
  QColor FEnterColor;
  TNotifyEvent FOnMouseEnter;
  TNotifyEvent FOnMouseLeave;
  TNotifyEvent FOnClick;
  TNotifyEvent FOnOpenFailed;
  TUrlOpener FOpener;
  // A click is a press and a release of the left button, both on the label.
  bool FPressed = false;
};

}  // namespace ipmdb::ui
