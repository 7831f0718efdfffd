// The failure type of the conversion engine: a kind that callers may branch on and a finished
// message that no caller parses.
#pragma once

#include "jet/Error.h"

namespace ipmdb::engine {

enum class EngineErrorKind {
  CannotOpenFile,      // the text database could not be opened or read
  TemplateNotWritten,  // the empty template could not be written to the output database's path
  ConnectionFailed,    // the output database could not be opened after the template was written
  BatchRefused,        // the database refused a batch of statements, which was rolled back
  Stopped,             // a stop request ended the loading of the text database
  OutputIsInput,       // the output database's path names the text database itself
  InputChanged,        // the text database was cut shorter or rewritten while it was being read
};

using EngineError = jet::KindedError<EngineErrorKind>;

}  // namespace ipmdb::engine
