// The command-line converter's two database modes: converting a text database through the same
// worker as the window, and the developer's recovery of a database left by a crash.
#pragma once

#include <string>

#include "cli/Arguments.h"

namespace ipmdb::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitBatchRefused = 1;  // the database refused a batch; earlier batches stay
inline constexpr int kExitFailure = 2;       // bad arguments, unreadable input, unwritable output
inline constexpr int kExitInterrupted = 130;  // SIGINT or SIGTERM ended the run early

// Converts arguments.FInput into arguments.FOutput (default: kOutputDatabaseName in the current
// directory), showing progress on standard error and the summary on standard output. SIGINT and
// SIGTERM stop the run, while the input is read as well (kExitInterrupted; the output is then not
// touched). Progress that cannot be written is dropped; a summary that cannot be written goes to
// standard error and makes the exit code kExitFailure. Returns the exit code for what happened in
// the run; a worker that cannot be created (the input cannot be read, the output is the input or
// cannot be written or opened) throws its failure.
int RunConversion(const Arguments& arguments);

// Opens the database with the engine's connection and closes it again: a journal of a commit cut
// short is played back, so the file holds its last commit. Throws the connection's failure; a
// report that standard output cannot take goes to standard error, with kExitFailure.
int RunRecovery(const std::string& path);

}  // namespace ipmdb::cli
