// The conversion control's decisions.
#include "ui/ConversionControl.h"

#include <QFileInfo>
#include <algorithm>

#include "ui/Texts.h"

namespace ipmdb::ui {
namespace {

// The pace of the first batch says little; the estimate starts once this much time has passed.
constexpr int64_t kEstimateAfterMs = 1000;
constexpr int64_t kSecondsPerMinute = 60;

}  // namespace

TDoDecision DecideDoAction(const QString& caption, const std::optional<TWorkerView>& worker) {
  const QString pause = texts::Pause();
  const QString start = texts::Start();
  if (caption == texts::Convert()) {
    // A worker stays in the slot after its run has ended; a new start releases it first.
    return {worker ? TDoAction::Restart : TDoAction::StartFirst, pause};
  }
  if (caption == start) {
    if (!worker) return {TDoAction::Create, pause};
    if (worker->FState == kWorkerFailed) return {TDoAction::Replace, pause};
    return {worker->FSuspended ? TDoAction::Resume : TDoAction::Nothing, pause};
  }
  if (caption == pause && worker) {
    if (worker->FState == kWorkerFailed) return {TDoAction::Clear, start};
    if (worker->FState == kWorkerRunning) return {TDoAction::Pause, start};
    return {TDoAction::Nothing, start};
  }
  return {TDoAction::Nothing, caption};
}

bool AsksBeforeClosing(const QString& caption, const std::optional<TWorkerView>& worker) {
  if (!worker || caption == texts::Convert()) return false;
  return worker->FState == kWorkerCreated || worker->FState == kWorkerRunning;
}

TRunEnd RunEndOf(const engine::ProgressMessage& message) {
  if (message.message == engine::kMsgBatchFailed) return TRunEnd::Refused;
  if (message.message == engine::kMsgBatchCommitted && message.wParam == message.lParam) return TRunEnd::Completed;
  return TRunEnd::None;
}

int ProgressPercent(int64_t done, int64_t total) {
  if (total <= 0) return 100;
  return int(std::clamp<int64_t>(done * 100 / total, 0, 100));
}

QString ProgressText(int64_t done, int64_t total, int64_t elapsedMs) {
  const QString percent = QString::number(ProgressPercent(done, total));
  if (done <= 0 || done >= total || elapsedMs < kEstimateAfterMs) return texts::ProgressPercent().arg(percent);
  // Rounded up, so that the estimate reads zero only once the run has ended.
  const int64_t leftMs = elapsedMs * (total - done) / done;
  const int64_t seconds = (leftMs + 999) / 1000;
  if (seconds < kSecondsPerMinute) return texts::ProgressSecondsLeft().arg(percent, QString::number(seconds));
  return texts::ProgressMinutesLeft().arg(percent, QString::number(seconds / kSecondsPerMinute),
                                          QString::number(seconds % kSecondsPerMinute));
}

TTextDatabaseKind KindOfTextDatabase(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists() || info.isDir()) return TTextDatabaseKind::NoFile;
  return info.isFile() ? TTextDatabaseKind::File : TTextDatabaseKind::ReadOnce;
}

bool RunsOnceLoaded(const QString& caption) { return caption != texts::Start(); }

std::optional<QString> DroppedTextDatabase(const QList<QUrl>& urls) {
  if (urls.size() != 1 || !urls.front().isLocalFile()) return std::nullopt;
  const QString path = urls.front().toLocalFile();
  if (QFileInfo(path).suffix().compare(QStringLiteral("txt"), Qt::CaseInsensitive) != 0) return std::nullopt;
  return path;
}

QPoint PlaceInside(QPoint wanted, QSize frameSize, const QRect& available) {
  const int right = available.x() + available.width() - frameSize.width();
  const int bottom = available.y() + available.height() - frameSize.height();
  return {std::max(available.x(), std::min(wanted.x(), right)), std::max(available.y(), std::min(wanted.y(), bottom))};
}

}  // namespace ipmdb::ui
