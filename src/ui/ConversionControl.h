// The decisions of the convert button. Its caption is the state of the conversion control:
// "转换" before anything was started, "暂停" while a conversion is taken to be running (the button
// offers to pause it) and "启动" while it is taken to be paused (the button offers to start it).
// Once the caption has left "转换" it never returns to it.
//
// DecideDoAction is the button's table as a pure function, so that every row can be checked
// without a window or a worker; the window carries out what it decides.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace ipmdb::ui {

inline constexpr char kCaptionConvert[] = "转换";
inline constexpr char kCaptionPause[] = "暂停";
inline constexpr char kCaptionStart[] = "启动";

// Worker states, as the worker reports them.
inline constexpr int32_t kWorkerCreated = 0;
inline constexpr int32_t kWorkerRunning = 1;  // also while paused
inline constexpr int32_t kWorkerFinished = 2;
inline constexpr int32_t kWorkerFailed = -1;

// What the button sees of the worker in the window's slot.
struct TWorkerView {
  int32_t FState = kWorkerCreated;
  bool FSuspended = false;
};

enum class TDoAction {
  StartFirst,    // log the start line, then create a worker
  Create,        // create a worker
  Replace,       // release the failed worker, then create a new one
  Resume,        // resume the paused worker
  Pause,         // pause the running worker
  Clear,         // release the failed worker
  Nothing,
};

struct TDoDecision {
  TDoAction FAction = TDoAction::Nothing;
  // The caption once the action has succeeded; a failed action leaves the caption as it was.
  QString FCaption;
};

// The first row of the button's table that fits the caption and the worker (nullopt: empty slot).
// A combination no row covers (which the button never reaches) changes nothing.
TDoDecision DecideDoAction(const QString& caption, const std::optional<TWorkerView>& worker);

}  // namespace ipmdb::ui
