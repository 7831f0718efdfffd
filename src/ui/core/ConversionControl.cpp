// The conversion control's decisions.
#include "ui/core/ConversionControl.h"

#include "platform/FileKind.h"
#include "platform/Path.h"
#include "ui/core/Texts.h"

namespace ipmdb::ui {
namespace {

#ifdef _WIN32
constexpr char kSeparators[] = "\\/";  // Windows takes either
#else
constexpr char kSeparators[] = "/";
#endif

bool EqualsIgnoringAsciiCase(std::string_view text, std::string_view lowerCase) {
  if (text.size() != lowerCase.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? char(text[i] - 'A' + 'a') : text[i];
    if (c != lowerCase[i]) return false;
  }
  return true;
}

}  // namespace

std::string CaptionOf(TRunState state) {
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

bool RunsOnceLoaded(TRunState state) { return state != TRunState::Paused; }

TTextDatabaseKind KindOfTextDatabase(const std::string& path) {
  switch (platform::KindOfPath(path)) {
    case platform::PathKind::RegularFile:
      return TTextDatabaseKind::File;
    case platform::PathKind::Other:
      return TTextDatabaseKind::ReadOnce;
    case platform::PathKind::Missing:
    case platform::PathKind::Folder:
      break;
  }
  return TTextDatabaseKind::NoFile;
}

std::optional<std::string> DroppedTextDatabase(const std::vector<std::string>& paths) {
  if (paths.size() != 1) return std::nullopt;
  const std::string& path = paths.front();
  // The suffix is what follows the last dot of the file's own name.
  const std::size_t separator = path.find_last_of(kSeparators);
  const std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return std::nullopt;
  if (!EqualsIgnoringAsciiCase(std::string_view(path).substr(dot + 1), "txt")) return std::nullopt;
  return path;
}

std::string FolderOfFile(const std::string& path) {
  const std::string full = platform::AbsolutePath(path);
  const std::size_t separator = full.find_last_of(kSeparators);
  if (separator == std::string::npos) return full;
  // A root keeps its separator: "/" on POSIX, a drive's "C:\" on Windows.
  const bool root = separator == 0 || (separator == 2 && full[1] == ':');
  return full.substr(0, root ? separator + 1 : separator);
}

}  // namespace ipmdb::ui
