// TFrmMain's layout: the rows of the top panel, the log with its progress bar, the status bar,
// and where the window opens.
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "engine/Branding.h"
#include "ui/core/ConversionControl.h"
#include "ui/core/Layout.h"
#include "ui/core/LogLines.h"
#include "ui/core/Texts.h"
#include "ui/core/WindowPlace.h"
#include "ui/qt/Application.h"
#include "ui/qt/HyperLink.h"
#include "ui/qt/QtText.h"
#include "ui/qt/uFrmMain.h"

namespace ipmdb::ui {
namespace {

using namespace layout;

// Room for the window manager's frame, which is unknown until the window is shown: borders and a
// title bar, in device-independent pixels.
constexpr QSize kFrameAllowance(10, 40);

QColor ColorOf(TColor color) { return QColor(color.FRed, color.FGreen, color.FBlue); }
QRect RectOf(const TRect& place) { return QRect(place.FLeft, place.FTop, place.FWidth, place.FHeight); }
QPoint PointOf(TPoint place) { return QPoint(place.FX, place.FY); }

QString MakerUrl() { return ToQString(engine::kMakerUrl); }

// The Song typeface the layout asks for. Where it is missing, the CJK families after it come
// next, so that Latin letters and Chinese characters share one face whose Latin letters are as
// narrow as the layout's; with none of them installed fontconfig picks a substitute and Qt falls
// back per script for the Chinese characters.
QFont SongFont(int pixels) {
  QFont font;
  font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
                    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei")});
  font.setPixelSize(pixels);
  return font;
}

void SetColor(QWidget* widget, QPalette::ColorRole role, const QColor& color) {
  QPalette colors = widget->palette();
  colors.setColor(role, color);
  widget->setPalette(colors);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QPoint topLeft) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromUtf8(name));
  label->adjustSize();
  label->move(topLeft);
  return label;
}

// A flat push button that shows the keyboard focus, which the style draws only on raised ones.
class TFlatButton : public QPushButton {
 public:
  TFlatButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) { setFlat(true); }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPushButton::paintEvent(event);
    if (hasFocus()) DrawFocusFrame(*this);
  }
};

// A flat button, with a 16 x 16 picture before its caption when one is named.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const char* picture,
                        QRect place) {
  auto* button = new TFlatButton(caption, parent);
  if (picture != nullptr) {
    button->setIcon(QIcon(QString::fromUtf8(picture)));
    button->setIconSize(QSize(kButtonPictureSize, kButtonPictureSize));
  }
  button->setObjectName(QString::fromUtf8(name));
  button->setGeometry(place);
  SetColor(button, QPalette::ButtonText, ColorOf(kButtonTextColor));
  return button;
}

// Every size the build drew (icon-<size>.png); Qt picks the nearest one for each use.
QIcon ProgramIcon() {
  QIcon icon;
  const QDir images(QStringLiteral(":/images"));
  for (const QString& name : images.entryList({QStringLiteral("icon-*.png")})) icon.addFile(images.filePath(name));
  return icon;
}

}  // namespace

void TFrmMain::BuildLayout() {
  setObjectName(QStringLiteral("FrmMain"));
  setWindowTitle(ToQString(texts::ApplicationTitle()) + QStringLiteral(" - ") + MakerUrl());
  setWindowIcon(ProgramIcon());
  setFont(SongFont(kWindowFontPixels));
  SetColor(this, QPalette::Window, palette().color(QPalette::Button));
  setFixedSize(kClientWidth, kClientHeight);
  setAcceptDrops(true);
  BuildFileRow();
  BuildOutputRow();
  BuildLog();
  BuildStatusBar();
  // Tab goes along the rows, top to bottom, and ends at the link.
  setTabOrder(edt_txt_db, btnseltxt);
  setTabOrder(btnseltxt, btnoutput);
  setTabOrder(btnoutput, btnfolder);
  setTabOrder(btnfolder, btndo);
  setTabOrder(btndo, meminfo);
  setTabOrder(meminfo, HyperLink1);
  PlaceOnScreen();
}

void TFrmMain::BuildFileRow() {
  Panel2 = new QFrame(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setGeometry(0, 0, kClientWidth, kTopPanelHeight);
  Panel2->setFrameShape(QFrame::NoFrame);

  edt_txt_db = new QLineEdit(Panel2);
  edt_txt_db->setObjectName(QStringLiteral("edt_txt_db"));
  edt_txt_db->setGeometry(RectOf(kTextDatabaseEdit));
  edt_txt_db->setReadOnly(true);
  SetColor(edt_txt_db, QPalette::Base, edt_txt_db->palette().color(QPalette::ToolTipBase));
  // The edit's label stands on its left, right-aligned against it and centred on its height. A
  // substitute font may make it wider than the room the layout leaves; it then starts at the
  // panel's edge, giving up the spacing rather than its first letters.
  edt_txt_db_label = MakeLabel(Panel2, "edt_txt_db_label", ToQString(texts::TextDatabaseLabel()), {});
  edt_txt_db_label->setBuddy(edt_txt_db);
  edt_txt_db_label->move(std::max(0, edt_txt_db->x() - kLabelSpacing - edt_txt_db_label->width()),
                         edt_txt_db->y() + (edt_txt_db->height() - edt_txt_db_label->height()) / 2);

  btnseltxt = MakeButton(Panel2, "btnseltxt", ToQString(texts::Select()), ":/images/plus.png", RectOf(kSelectButton));
  connect(btnseltxt, &QPushButton::clicked, this,
          [this] { TApplication::RunGuarded(btnseltxt, [this] { btnseltxtClick(); }); });
}

// The output row: its label, the buttons that change and show the output, the convert button at
// the right, and the output database's full path under them, in line with the edit above.
void TFrmMain::BuildOutputRow() {
  Label1 = MakeLabel(Panel2, "Label1", ToQString(texts::OutputLabel()), PointOf(kOutputLabel));
  btnoutput = MakeButton(Panel2, "btnoutput", ToQString(texts::ChangeOutput()), nullptr, RectOf(kChangeOutputButton));
  btnfolder = MakeButton(Panel2, "btnfolder", ToQString(texts::OpenFolder()), nullptr, RectOf(kOpenFolderButton));
  btndo = MakeButton(Panel2, "btndo", ToQString(CaptionOf(FRunState)), ":/images/arrow.png", RectOf(kConvertButton));

  Label2 = new QLabel(Panel2);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(RectOf(kOutputPath));
  SetColor(Label2, QPalette::WindowText, ColorOf(kGreen));

  connect(btnoutput, &QPushButton::clicked, this,
          [this] { TApplication::RunGuarded(btnoutput, [this] { btnoutputClick(); }); });
  connect(btnfolder, &QPushButton::clicked, this,
          [this] { TApplication::RunGuarded(btnfolder, [this] { btnfolderClick(); }); });
  connect(btndo, &QPushButton::clicked, this, [this] { TApplication::RunGuarded(btndo, [this] { btndoClick(); }); });
}

void TFrmMain::BuildLog() {
  // A raised inner bevel inside a lowered outer one: a box drawn sunken, one pixel per line.
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(0, kTopPanelHeight, kClientWidth, kLogPanelHeight);
  Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Panel1->setLineWidth(1);
  Panel1->setMidLineWidth(0);

  meminfo = new QPlainTextEdit(Panel1);
  meminfo->setObjectName(QStringLiteral("meminfo"));
  meminfo->setGeometry(RectOf(kLog));
  meminfo->setReadOnly(true);
  meminfo->setFrameShape(QFrame::NoFrame);
  meminfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  meminfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  meminfo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  meminfo->setFont(SongFont(kLogFontPixels));
  SetColor(meminfo, QPalette::Text, ColorOf(kGreen));
  meminfo->setPlainText(ToQString(WelcomeLogLine()));

  pbProgress = new QProgressBar(Panel1);
  pbProgress->setObjectName(QStringLiteral("pbProgress"));
  pbProgress->setGeometry(RectOf(kProgress));
  pbProgress->setRange(0, 100);
  pbProgress->setValue(0);
  pbProgress->setTextVisible(true);
  pbProgress->setFormat(QString());
}

void TFrmMain::BuildStatusBar() {
  sBar = new QFrame(this);
  sBar->setObjectName(QStringLiteral("sBar"));
  sBar->setGeometry(0, kStatusBarTop, kClientWidth, kStatusBarHeight);
  sBar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  sBar->setLineWidth(1);
  sBar->setFont(SongFont(kWindowFontPixels));
  SetColor(sBar, QPalette::WindowText, palette().color(QPalette::ButtonText));

  Label3 = MakeLabel(sBar, "Label3", ToQString(texts::MakerLabel()), PointOf(kMakerLabel));

  HyperLink1 = new THyperLink(sBar);
  HyperLink1->setObjectName(QStringLiteral("HyperLink1"));
  HyperLink1->setFont(SongFont(kWindowFontPixels));
  HyperLink1->SetFontColor(ColorOf(kLinkColor));
  HyperLink1->setAutoFillBackground(true);
  SetColor(HyperLink1, QPalette::Window, palette().color(QPalette::Button));
  HyperLink1->SetEnterColor(ColorOf(kLinkHoverColor));
  HyperLink1->SetURL(MakerUrl());
  HyperLink1->setText(MakerUrl());
  HyperLink1->adjustSize();
  HyperLink1->move(PointOf(kMakerLink));
  // Without a browser the address goes to the log, where it can be selected and copied.
  HyperLink1->SetOnOpenFailed([this](THyperLink* link) { AddLog(ToQString(texts::NoBrowser(ToUtf8(link->URL())))); });
}

// At the layout's place when the window, frame included, fits the screen's available area there;
// otherwise moved inside it, so that no part (the status bar first) is off screen, whatever the
// screen's size and scale factor.
void TFrmMain::PlaceOnScreen() {
  const QScreen* display = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (display == nullptr) {
    move(kWindowTopLeft.FX, kWindowTopLeft.FY);
    return;
  }
  const QSize frame = size() + kFrameAllowance;
  const QRect available = display->availableGeometry();
  const TPoint place = PlaceInside(kWindowTopLeft, {frame.width(), frame.height()},
                                   {available.x(), available.y(), available.width(), available.height()});
  move(place.FX, place.FY);
}

}  // namespace ipmdb::ui
