// The convert button's table.
#include "ui/ConversionControl.h"

namespace ipmdb::ui {

TDoDecision DecideDoAction(const QString& caption, const std::optional<TWorkerView>& worker) {
  const QString pause = QString::fromUtf8(kCaptionPause);
  const QString start = QString::fromUtf8(kCaptionStart);
  if (caption == QString::fromUtf8(kCaptionConvert)) {
    if (!worker) return {TDoAction::StartFirst, pause};
  } else if (caption == start) {
    if (!worker) return {TDoAction::Create, pause};
    if (worker->FState == kWorkerFailed) return {TDoAction::Replace, pause};
    return {worker->FSuspended ? TDoAction::Resume : TDoAction::Nothing, pause};
  } else if (caption == pause && worker) {
    if (worker->FState == kWorkerFailed) return {TDoAction::Clear, start};
    if (worker->FState == kWorkerRunning) return {TDoAction::Pause, start};
    return {TDoAction::Nothing, start};
  }
  return {TDoAction::Nothing, caption};
}

}  // namespace ipmdb::ui
