// The set-up every program of ipmdb does first thing in main, before it opens a file or starts a
// thread: the converter, the window and every tool.
#pragma once

namespace ipmdb::platform {

// Prepares the process:
// - Standard input, output and error that the launcher left closed (cron, daemon launchers) are
//   opened on the null device, so that no file the program opens later takes their place: a
//   progress line written to a database that happens to sit on descriptor 2 would overwrite its
//   header. Output to them is then dropped.
// - A reader that goes away (... | head) makes a write fail with EPIPE instead of killing the
//   process; a file-size limit (ulimit -f) makes a write fail with EFBIG, which the engine reports
//   as a refused write, instead of killing the process in the middle of a commit.
// - The locale comes from the environment (the system's error texts in the user's language, the
//   terminal's encoding), except that numbers keep the C form, so that the figures printed and the
//   values parsed never depend on it.
// Failures are ignored: none of these steps can be done another way.
void PrepareProcess();

}  // namespace ipmdb::platform
