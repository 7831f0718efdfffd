// THyperLink: the entered look, its exact undoing on leaving, the events and the click.
#include <QCoreApplication>
#include <QEnterEvent>
#include <QPushButton>
#include <QTest>
#include <optional>

#include "UiTestMain.h"
#include "ui/qt/HyperLink.h"

using ipmdb::ui::FontStylesOf;
using ipmdb::ui::TFontStyles;
using ipmdb::ui::THyperLink;
using ipmdb::ui::kFsBold;
using ipmdb::ui::kFsItalic;
using ipmdb::ui::kFsStrikeOut;
using ipmdb::ui::kFsUnderline;

namespace {

void Enter(THyperLink& link) {
  QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QCoreApplication::sendEvent(&link, &event);
}

void Leave(THyperLink& link) {
  QEvent event(QEvent::Leave);
  QCoreApplication::sendEvent(&link, &event);
}

void SetStyles(THyperLink& link, TFontStyles styles) {
  QFont font = link.font();
  ipmdb::ui::ApplyFontStyles(font, styles);
  link.setFont(font);
}

// The look a test compares: colour, style flags and whether the label sets a pointer of its own.
struct Look {
  QColor FColor;
  TFontStyles FStyles;
  bool FHandCursor;
  bool operator==(const Look&) const = default;
};

Look LookOf(const THyperLink& link) {
  const bool hand = link.testAttribute(Qt::WA_SetCursor) && link.cursor().shape() == Qt::PointingHandCursor;
  return {link.FontColor(), FontStylesOf(link.font()), hand};
}

// Found by QCOMPARE through argument-dependent lookup.
char* toString(const Look& look) {
  return QTest::toString(QStringLiteral("%1 styles=%2 hand=%3")
                             .arg(look.FColor.name())
                             .arg(look.FStyles)
                             .arg(look.FHandCursor));
}

}  // namespace

class THyperLinkTest : public QObject {
  Q_OBJECT

 private slots:
  void EnteringAddsBoldAndUnderlineAndLeavingRestoresTheStyle_data() {
    QTest::addColumn<int>("styles");
    QTest::newRow("plain") << 0;
    QTest::newRow("bold") << int(kFsBold);
    QTest::newRow("italic") << int(kFsItalic);
    QTest::newRow("bold italic") << int(kFsBold | kFsItalic);
    QTest::newRow("underline") << int(kFsUnderline);
    QTest::newRow("strike-out") << int(kFsStrikeOut);
    QTest::newRow("all four") << int(kFsBold | kFsItalic | kFsUnderline | kFsStrikeOut);
  }

  void EnteringAddsBoldAndUnderlineAndLeavingRestoresTheStyle() {
    QFETCH(int, styles);
    THyperLink link;
    link.SetFontColor(Qt::blue);
    link.SetEnterColor(Qt::red);
    SetStyles(link, TFontStyles(styles));

    Enter(link);
    QCOMPARE(LookOf(link), (Look{Qt::red, TFontStyles(styles | kFsBold | kFsUnderline), true}));
    Leave(link);
    QCOMPARE(LookOf(link), (Look{Qt::blue, TFontStyles(styles), false}));
  }

  void LeavingRestoresTheLookAtEnteringAndDropsChangesMadeInside() {
    THyperLink link;
    link.SetEnterColor(Qt::red);
    // Changes before entering are what leaving restores.
    link.SetFontColor(Qt::darkGreen);
    SetStyles(link, kFsItalic);
    Enter(link);
    link.SetFontColor(Qt::magenta);
    SetStyles(link, kFsStrikeOut);
    Leave(link);
    QCOMPARE(LookOf(link), (Look{Qt::darkGreen, kFsItalic, false}));
  }

  void EnterColorStartsAsTheColourAtConstruction() {
    THyperLink link;
    const QColor atConstruction = link.FontColor();
    link.SetFontColor(Qt::blue);
    Enter(link);
    QCOMPARE(link.FontColor(), atConstruction);
    QCOMPARE(link.EnterColor(), atConstruction);
  }

  void EnterColorEqualToTheFontColourChangesOnlyStyleAndPointer() {
    THyperLink link;
    link.SetFontColor(Qt::blue);
    link.SetEnterColor(Qt::blue);
    Enter(link);
    QCOMPARE(LookOf(link), (Look{Qt::blue, TFontStyles(kFsBold | kFsUnderline), true}));
  }

  void EnterColorSetInsideCountsFromTheNextEntry() {
    THyperLink link;
    link.SetFontColor(Qt::blue);
    link.SetEnterColor(Qt::red);
    Enter(link);
    link.SetEnterColor(Qt::green);
    QCOMPARE(link.FontColor(), QColor(Qt::red));
    Leave(link);
    Enter(link);
    QCOMPARE(link.FontColor(), QColor(Qt::green));
  }

  void EnterAndLeaveEventsSeeTheFinishedLook() {
    THyperLink link;
    link.SetFontColor(Qt::blue);
    link.SetEnterColor(Qt::red);
    std::optional<Look> atEnter;
    std::optional<Look> atLeave;
    THyperLink* sender = nullptr;
    link.SetOnMouseEnter([&](THyperLink* s) {
      sender = s;
      atEnter = LookOf(*s);
    });
    link.SetOnMouseLeave([&](THyperLink* s) { atLeave = LookOf(*s); });
    Enter(link);
    Leave(link);
    QCOMPARE(sender, &link);
    QVERIFY(atEnter && atLeave);
    QCOMPARE(*atEnter, (Look{Qt::red, TFontStyles(kFsBold | kFsUnderline), true}));
    QCOMPARE(*atLeave, (Look{Qt::blue, TFontStyles(0), false}));
  }

  void ClickRunsTheClickEventBeforeOpeningTheAddress() {
    THyperLink link;
    link.setText(QStringLiteral("http://www.fenwarde.example/"));
    link.SetURL(QStringLiteral("http://www.fenwarde.example/"));
    QStringList calls;
    link.SetOnClick([&](THyperLink*) { calls << QStringLiteral("click event"); });
    link.SetUrlOpener([&](const QString& url) {
      calls << QStringLiteral("open ") + url;
      return true;
    });
    link.show();
    QVERIFY(QTest::qWaitForWindowExposed(&link));
    QTest::mouseClick(&link, Qt::LeftButton);
    QCOMPARE(calls, QStringList({"click event", "open http://www.fenwarde.example/"}));
  }

  void ClickWithAnEmptyUrlHandsAnEmptyName() {
    THyperLink link;
    QStringList opened;
    link.SetUrlOpener([&](const QString& url) {
      opened << url;
      return true;
    });
    link.Click();
    QCOMPARE(opened, QStringList({QString()}));
  }

  void ReleaseOutsideTheLabelIsNoClick() {
    THyperLink link;
    link.setText(QStringLiteral("link"));
    int opened = 0;
    link.SetUrlOpener([&](const QString&) { return ++opened > 0; });
    link.show();
    QVERIFY(QTest::qWaitForWindowExposed(&link));
    QTest::mousePress(&link, Qt::LeftButton);
    QTest::mouseRelease(&link, Qt::LeftButton, {}, QPoint(link.width() + 5, link.height() + 5));
    QCOMPARE(opened, 0);
  }

  // Tab reaches the label; Enter, Return and Space click it. An address nothing could open is
  // reported through OnOpenFailed.
  void KeyboardClicksTheFocusedLinkAndAFailedOpenIsReported() {
    QWidget window;
    auto* before = new QPushButton(QStringLiteral("before"), &window);
    auto* link = new THyperLink(&window);
    link->setText(QStringLiteral("link"));
    link->move(0, 40);
    int failed = 0;
    link->SetUrlOpener([](const QString&) { return false; });
    link->SetOnOpenFailed([&](THyperLink*) { ++failed; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    QTRY_VERIFY(link->hasFocus());
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) QTest::keyClick(link, key);
    QTest::keyClick(link, Qt::Key_A);
    QCOMPARE(failed, 3);
  }
};

IPMDB_UI_TEST_MAIN(THyperLinkTest)
#include "HyperLinkTest.moc"
