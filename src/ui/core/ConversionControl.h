// The decisions of the conversion control, as pure functions so that every case can be checked
// without a window or a worker; each window carries out what they decide and draws the result.
//
// The conversion control's state is TRunState; the convert button's caption shows it (CaptionOf).
// Paths are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/ProgressChannel.h"
#include "engine/TDBThread.h"

namespace ipmdb::ui {

using engine::TWorkerState;

// Where the conversion control stands, which the convert button's caption shows.
enum class TRunState {
  Idle,     // "转换": no conversion under way, at start and again once a run has ended (its last
            // batch was committed or a batch was refused)
  Running,  // "暂停": a conversion is taken to be running; the button offers to pause it
  Paused,   // "启动": a conversion is taken to be paused; the button offers to start it
};
std::string CaptionOf(TRunState state);

// What the button sees of the worker in the window's slot.
struct TWorkerView {
  TWorkerState FState = TWorkerState::Created;
  bool FSuspended = false;
};

enum class TDoAction {
  StartFirst,    // log the start line, then create a worker
  Restart,       // release the worker of the ended run, log the start line, create a worker
  Create,        // create a worker
  Replace,       // release the failed worker, then create a new one
  Resume,        // resume the paused worker
  Pause,         // pause the running worker
  Clear,         // release the failed worker
  Nothing,
};

struct TDoDecision {
  TDoAction FAction = TDoAction::Nothing;
  // The state once the action has succeeded; a failed action leaves the state as it was.
  TRunState FState = TRunState::Idle;
};

// The first row of the button's table that fits the state and the worker (nullopt: empty slot).
// A combination no row covers (which the button never reaches) changes nothing.
TDoDecision DecideDoAction(TRunState state, const std::optional<TWorkerView>& worker);

// Whether closing the window must ask first (texts::QuitQuestion): while a conversion is under
// way, running or paused.
bool AsksBeforeClosing(TRunState state, const std::optional<TWorkerView>& worker);

// How a progress message ends the run, if it does: the last batch committed, or a batch refused
// (the worker stops after it).
enum class TRunEnd { None, Completed, Refused };
TRunEnd RunEndOf(const engine::ProgressMessage& message);

// Whether a worker whose text database has just been loaded starts its run: not when the control
// is paused, the user having paused while the text was being loaded.
bool RunsOnceLoaded(TRunState state);

// What a chosen name is to the window: a file read where it lies; an input read once, whose text
// the conversion first copies aside (a FIFO, a device: anything else that exists and is no
// folder, as the command line takes it); or nothing to convert.
enum class TTextDatabaseKind { File, ReadOnce, NoFile };
TTextDatabaseKind KindOfTextDatabase(const std::string& path);

// The text database among dropped items: a single local file whose name ends in ".txt" (any
// case); nothing for anything else. An item that is no local file (a web address) is passed as
// an empty path.
std::optional<std::string> DroppedTextDatabase(const std::vector<std::string>& paths);

// The folder that holds the file `path` names, made absolute against the working folder, without
// a trailing separator unless it is a root folder ("/", "C:\"). Windows takes either separator.
std::string FolderOfFile(const std::string& path);

}  // namespace ipmdb::ui
