// The database connection the conversion works through, shaped like an ADO Connection with the
// Jet OLE DB provider: create it closed, set the connection string, Open, then BeginTrans /
// Execute / CommitTrans / RollbackTrans, and Close. Behind it is our own Jet 4 engine.
//
// Every failure is a ConnectionError carrying the component's complete message (Chinese, naming
// the file, table, column or value concerned). Threads: one at a time; a connection may be opened
// on one thread and used on another.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "jet/DatabaseOptions.h"
#include "jet/Error.h"
#include "jet/File.h"
#include "jet/RowPreparer.h"


namespace ipmdb::database {

// The engine's failures reach callers as they are: a kind and a finished message.
using ConnectionError = jet::JetError;

// The provider named in connection strings; no other is known.
inline constexpr char kJetProvider[] = "Microsoft.Jet.OLEDB.4.0";

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%s;Persist Security Info=False". A path that holds
// nothing the syntax reads goes in as it is; one that holds ';', '"' or '\'', or begins or ends
// with a blank (which an unquoted value loses), goes in quoted the way ADO quotes a value: between
// double quotes, or between single quotes when it holds a double quote, the quote character
// doubled inside. ParseConnectionString reads every such string back to the same path.
std::string FormatConnectionString(const std::string& path);

// The settings a connection string gives. Syntax: "key=value" pairs separated by ';'. Keys are
// trimmed and compared without case; blank pairs are skipped; a key given twice keeps its last
// value. A value is either quoted ('"' or '\'', the quote character doubled inside it, only
// blanks between the closing quote and the next ';'), and then taken exactly, or unquoted, running
// to the next ';', and then trimmed of blanks. Blanks are spaces and tabs. Throws ConnectionError
// (Misuse) for a pair without '=', a quote that is never closed and text after a closing quote.
struct ConnectionSettings {
  std::string provider;
  std::string dataSource;
  bool hasDataSource = false;
};
ConnectionSettings ParseConnectionString(const std::string& text);

// ADO's command type for a statement given as text.
inline constexpr int adCmdText = 1;

class Connection {
 public:
  // Closed, default settings. options: what the engine keeps to for the database it opens; vfs:
  // the files it works on, which must outlive the connection.
  explicit Connection(const jet::DatabaseOptions& options = {}, jet::Vfs& vfs = jet::Vfs::System());
  ~Connection();  // closes; never throws
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // The login prompt stays in the interface because it is one of the two settings a worker
  // changes on its connection: it switches the prompt off before it sets the connection string,
  // so that an open never asks for a name or password. Our engine has no login, so the setting is
  // only kept and read back; nothing ever asks.
  void SetLoginPrompt(bool prompt) { FLoginPrompt = prompt; }
  bool LoginPrompt() const { return FLoginPrompt; }

  // Set before Open; read by ParseConnectionString when the connection opens.
  void SetConnectionString(const std::string& text);
  const std::string& ConnectionString() const { return FConnectionString; }

  // Opens the database the connection string names and holds it exclusively until Close.
  void Open();
  bool IsOpen() const;
  void Close();

  void BeginTrans();
  // Executes one statement given as UTF-16 text; only adCmdText is supported.
  void Execute(std::u16string_view statement, int options = adCmdText);
  void CommitTrans();
  void RollbackTrans();
  bool InTransaction() const;

  // The two halves of Execute, for a caller that prepares rows on another thread than the one
  // that inserts them: a preparer of the open database's statements (valid until Close; it may be
  // used on any one thread), and the insertion of a row it prepared, within the open transaction
  // or in one of its own.
  jet::StatementPreparer MakePreparer();
  void Insert(const jet::TableSchema& table, std::span<const uint8_t> row);

 private:
  jet::Database& Require(const char* action);

  bool FLoginPrompt = true;
  std::string FConnectionString;
  jet::DatabaseOptions FOptions;
  jet::Vfs& FVfs;
  std::unique_ptr<jet::Database> FDatabase;
};

}  // namespace ipmdb::database
