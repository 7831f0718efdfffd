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

QString CaptionOf(TRunState state) {
  switch (state) {
    case TRunState::Idle:
      return texts::Convert();
    case TRunState::Running:
      return texts::Pause();
    case TRunState::Paused:
      return texts::Start();
  }
  return texts::Convert();
}

TDoDecision DecideDoAction(TRunState state, const std::optional<TWorkerView>& worker) {
  using enum TRunState;
  if (state == Idle) {
    // A worker stays in the slot after its run has ended; a new start releases it first.
    return {worker ? TDoAction::Restart : TDoAction::StartFirst, Running};
  }
  if (state == Paused) {
    if (!worker) return {TDoAction::Create, Running};
    if (worker->FState == TWorkerState::Failed) return {TDoAction::Replace, Running};
    return {worker->FSuspended ? TDoAction::Resume : TDoAction::Nothing, Running};
  }
  if (worker) {
    if (worker->FState == TWorkerState::Failed) return {TDoAction::Clear, Paused};
    if (worker->FState == TWorkerState::Running) return {TDoAction::Pause, Paused};
    return {TDoAction::Nothing, Paused};
  }
  return {TDoAction::Nothing, state};
}

bool AsksBeforeClosing(TRunState state, const std::optional<TWorkerView>& worker) {
  if (!worker || state == TRunState::Idle) return false;
  return worker->FState == TWorkerState::Created || worker->FState == TWorkerState::Running;
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

bool RunsOnceLoaded(TRunState state) { return state != TRunState::Paused; }

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
