// TFrmMain: layout, start-up, the log, the conversion control and the progress and error
// reports.
#include "ui/uFrmMain.h"

#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <optional>

#include "engine/Branding.h"
#include "ui/Application.h"
#include "ui/ConversionControl.h"
#include "ui/HyperLink.h"
#include "ui/LogLines.h"
#include "ui/MessageBox.h"
#include "ui/UiError.h"

namespace ipmdb::ui {
namespace {

// The client area and where the window opens (its frame's top left corner, in screen pixels).
constexpr int kWindowLeft = 257;
constexpr int kWindowTop = 259;
constexpr int kClientWidth = 476;
constexpr int kClientHeight = 277;
constexpr int kTopPanelHeight = 81;
constexpr int kStatusBarHeight = 20;
constexpr int kLogPanelHeight = kClientHeight - kTopPanelHeight - kStatusBarHeight;
// The log fills its panel inside the panel's two one-pixel bevels.
constexpr int kBevelWidth = 2;
// Character heights in pixels: the window's font and the log's.
constexpr int kWindowFontPixels = 12;
constexpr int kLogFontPixels = 13;
// Space between the edit's label and the edit.
constexpr int kLabelSpacing = 3;
constexpr int kButtonPictureSize = 16;

// How long StopWorker waits for the worker's end before releasing it. The wait serves no
// progress message; the release that follows does.
constexpr std::chrono::milliseconds kStopWait(3000);

const QColor kGreen(0, 128, 0);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

QString MakerUrl() { return QString::fromUtf8(engine::kMakerUrl.data(), qsizetype(engine::kMakerUrl.size())); }

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

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, const char* picture, QRect place) {
  auto* button = new QPushButton(QIcon(QString::fromUtf8(picture)), QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setFlat(true);
  button->setIconSize(QSize(kButtonPictureSize, kButtonPictureSize));
  button->setGeometry(place);
  SetColor(button, QPalette::ButtonText, kBlack);
  return button;
}

// Every size the build drew (icon-<size>.png); Qt picks the nearest one for each use.
QIcon ProgramIcon() {
  QIcon icon;
  const QDir images(QStringLiteral(":/images"));
  for (const QString& name : images.entryList({QStringLiteral("icon-*.png")})) icon.addFile(images.filePath(name));
  return icon;
}

std::string ToStdString(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace

QString FolderOfFile(const QString& path) { return QFileInfo(path).absolutePath(); }

// The worker's receiver. ProgressPending runs on the worker's thread and only posts a call to the
// window's thread; HandleProgress runs on the window's thread, inside DispatchProgress.
class TFrmMain::TWorkerReceiver final : public engine::TProgressReceiver {
 public:
  explicit TWorkerReceiver(TFrmMain& window) : FWindow(window) {}

  void HandleProgress(const engine::ProgressMessage& message) override { FWindow.HandleProgress(message, *this); }

  void ProgressPending() override {
    TFrmMain* window = &FWindow;
    // Dropped unserved if the window goes first; its destruction releases the worker, and the
    // release serves the message.
    QMetaObject::invokeMethod(window, [window] { window->ServeProgress(); }, Qt::QueuedConnection);
  }

  // Set as soon as the worker exists: no message is handled before, since only this thread
  // dispatches them.
  const engine::TDBThread* FWorker = nullptr;

 private:
  TFrmMain& FWindow;
};

// The receiver is declared first, so it outlives the worker that refers to it.
struct TFrmMain::TWorkerSlot {
  explicit TWorkerSlot(TFrmMain& window) : FReceiver(window) {}
  TWorkerReceiver FReceiver;
  std::unique_ptr<engine::TDBThread> FThread;
};

TFrmMain::TFrmMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  BuildLayout();
  FormCreate();
  if (TApplication* application = TApplication::Instance()) {
    application->SetOnException(
        [this](QObject* sender, const std::exception& error) { MyEventsException(sender, error); });
  }
}

TFrmMain::~TFrmMain() {
  FormDestroy();
  if (TApplication* application = TApplication::Instance()) application->SetOnException(nullptr);
}

void TFrmMain::BuildLayout() {
  setObjectName(QStringLiteral("FrmMain"));
  setWindowTitle(QString::fromUtf8(kApplicationTitle) + QStringLiteral(" - ") + MakerUrl());
  setWindowIcon(ProgramIcon());
  setFont(SongFont(kWindowFontPixels));
  SetColor(this, QPalette::Window, palette().color(QPalette::Button));
  setFixedSize(kClientWidth, kClientHeight);
  move(kWindowLeft, kWindowTop);
  BuildFileRow();
  BuildLog();
  BuildStatusBar();
}

void TFrmMain::BuildFileRow() {
  Panel2 = new QFrame(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setGeometry(0, 0, kClientWidth, kTopPanelHeight);
  Panel2->setFrameShape(QFrame::NoFrame);

  edt_txt_db = new QLineEdit(Panel2);
  edt_txt_db->setObjectName(QStringLiteral("edt_txt_db"));
  edt_txt_db->setGeometry(120, 15, 280, 20);
  edt_txt_db->setReadOnly(true);
  SetColor(edt_txt_db, QPalette::Base, edt_txt_db->palette().color(QPalette::ToolTipBase));
  // The edit's label stands on its left, right-aligned against it and centred on its height. A
  // substitute font may make it wider than the room the layout leaves; it then starts at the
  // panel's edge, giving up the spacing rather than its first letters.
  edt_txt_db_label = MakeLabel(Panel2, "edt_txt_db_label", QStringLiteral("Morvane文本数据库："), {});
  edt_txt_db_label->setBuddy(edt_txt_db);
  edt_txt_db_label->move(std::max(0, edt_txt_db->x() - kLabelSpacing - edt_txt_db_label->width()),
                         edt_txt_db->y() + (edt_txt_db->height() - edt_txt_db_label->height()) / 2);

  btnseltxt = MakeButton(Panel2, "btnseltxt", "选择", ":/images/plus.png", QRect(407, 14, 54, 23));
  Label1 = MakeLabel(Panel2, "Label1", QStringLiteral("默认*.MDB数据库路径："), QPoint(23, 51));
  Label2 = MakeLabel(Panel2, "Label2", QStringLiteral("程序路径/MorvaneIP数据库.MDB"), QPoint(160, 51));
  SetColor(Label2, QPalette::WindowText, kGreen);
  btndo = MakeButton(Panel2, "btndo", kCaptionConvert, ":/images/arrow.png", QRect(407, 44, 54, 23));

  connect(btnseltxt, &QPushButton::clicked, this,
          [this] { TApplication::RunGuarded(btnseltxt, [this] { btnseltxtClick(); }); });
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
  meminfo->setGeometry(kBevelWidth, kBevelWidth, kClientWidth - 2 * kBevelWidth, kLogPanelHeight - 2 * kBevelWidth);
  meminfo->setReadOnly(true);
  meminfo->setFrameShape(QFrame::NoFrame);
  meminfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  meminfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  meminfo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  meminfo->setFont(SongFont(kLogFontPixels));
  SetColor(meminfo, QPalette::Text, kGreen);
  meminfo->setPlainText(WelcomeLogLine());
}

void TFrmMain::BuildStatusBar() {
  sBar = new QFrame(this);
  sBar->setObjectName(QStringLiteral("sBar"));
  sBar->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
  sBar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  sBar->setLineWidth(1);
  sBar->setFont(SongFont(kWindowFontPixels));
  SetColor(sBar, QPalette::WindowText, palette().color(QPalette::ButtonText));

  Label3 = MakeLabel(sBar, "Label3", QStringLiteral("Fenwarde出品："), QPoint(22, 4));

  HyperLink1 = new THyperLink(sBar);
  HyperLink1->setObjectName(QStringLiteral("HyperLink1"));
  HyperLink1->setFont(SongFont(kWindowFontPixels));
  HyperLink1->SetFontColor(kBlue);
  HyperLink1->setAutoFillBackground(true);
  SetColor(HyperLink1, QPalette::Window, palette().color(QPalette::Button));
  HyperLink1->SetEnterColor(kRed);
  HyperLink1->SetURL(MakerUrl());
  HyperLink1->setText(MakerUrl());
  HyperLink1->adjustSize();
  HyperLink1->move(113, 4);
}

void TFrmMain::FormCreate() {
  FOpenTxtDlg.SetInitialDir(FolderOfFile(QCoreApplication::applicationFilePath()));
  QCoreApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
}

void TFrmMain::FormDestroy() { StopWorker(); }

int TFrmMain::LogLineCount() const {
  // Every entry ends its line: the text never holds the break after the last entry, so every
  // block is a line and the count needs no correction for an empty last line. Lines are the
  // document's blocks, not the rows they wrap into on screen, so the numbering does not depend
  // on the window's width or font.
  const QTextDocument* document = meminfo->document();
  return document->isEmpty() ? 0 : document->blockCount();
}

void TFrmMain::AddLog(const QString& text) {
  if (text.isEmpty()) return;
  QString lines = text;
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  meminfo->appendPlainText(QString::number(LogLineCount() + 1) + QStringLiteral(" - ") + lines);
  meminfo->verticalScrollBar()->setValue(meminfo->verticalScrollBar()->maximum());
}

void TFrmMain::btnseltxtClick() {
  if (!FOpenTxtDlg.Execute(this)) return;
  edt_txt_db->setText(FOpenTxtDlg.FileName());
  // Show the path from its beginning, as an edit does when its text is set.
  edt_txt_db->setCursorPosition(0);
  const QString path = edt_txt_db->text();
  if (!QFileInfo(path).isFile()) throw UiError(ToStdString(QStringLiteral("[%1]文件不存在。").arg(path)));
}

void TFrmMain::btndoClick() {
  const QString path = edt_txt_db->text();
  if (path.isEmpty()) throw UiError("文本IP数据库路径不能为空。");

  std::optional<TWorkerView> worker;
  if (FWorker) worker = TWorkerView{FWorker->FThread->State(), FWorker->FThread->Suspended()};
  const TDoDecision decision = DecideDoAction(btndo->text(), worker);
  switch (decision.FAction) {
    case TDoAction::StartFirst:
      AddLog(StartLogLine(LogTimeStamp(FClock())));
      CreateWorker(path);
      break;
    case TDoAction::Create:
      CreateWorker(path);
      break;
    case TDoAction::Replace:
      StopWorker();
      CreateWorker(path);
      break;
    case TDoAction::Resume:
      FWorker->FThread->Resume();
      break;
    case TDoAction::Pause:
      FWorker->FThread->Suspend();
      break;
    case TDoAction::Clear:
      StopWorker();
      break;
    case TDoAction::Nothing:
      break;
  }
  btndo->setText(decision.FCaption);
}

void TFrmMain::CreateWorker(const QString& path) {
  auto slot = std::make_unique<TWorkerSlot>(*this);
  // Loads the text database and prepares the output database on this thread; its own thread
  // starts when construction is complete. A failure leaves the slot empty.
  slot->FThread = std::make_unique<engine::TDBThread>(false, ToStdString(path), &slot->FReceiver);
  slot->FReceiver.FWorker = slot->FThread.get();
  FWorker = std::move(slot);
}

void TFrmMain::StopWorker() {
  if (!FWorker) return;
  engine::TDBThread& worker = *FWorker->FThread;
  // A paused worker would never reach its next terminate check.
  if (worker.Suspended()) worker.Resume();
  worker.Terminate();
  // Bounded and serving nothing: a worker that waits for the window to take a progress message
  // stays blocked until the time is up, and finishes in the release below.
  (void)worker.WaitFor(kStopWait);
  // The release waits for the thread's end without a limit and serves its messages meanwhile.
  FWorker.reset();
}

const engine::TDBThread* TFrmMain::Worker() const { return FWorker ? FWorker->FThread.get() : nullptr; }

void TFrmMain::ServeProgress() {
  if (FWorker) FWorker->FThread->DispatchProgress();
}

void TFrmMain::HandleProgress(const engine::ProgressMessage& message, TWorkerReceiver& source) {
  AddLog(ProgressLogLine(message, LogTimeStamp(FClock())));
  // Why the batch was refused, as its own line, so that the user learns that and why the
  // conversion stopped.
  if (message.message == engine::kMsgBatchFailed) AddLog(QString::fromUtf8(source.FWorker->ErrorText()));
}

void TFrmMain::MyEventsException(QObject*, const std::exception& error) {
  const QString text = QString::fromUtf8(error.what());
  AddLog(text);
  ShowMsg(text, kMsgError);
}

}  // namespace ipmdb::ui
