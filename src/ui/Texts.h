// Every text the window shows, in one place. Chinese is the source language; each function hands
// its text through Qt's translator (context "ipmdb"), so a translation file for another language
// replaces them all (translations/ipmdb_<lang>.ts). Placeholders are %1, %2, ... as QString::arg
// fills them.
#pragma once

#include <QString>

namespace ipmdb::ui::texts {

// The application title: the caption of every message box and the start of the window's caption.
QString ApplicationTitle();

// Labels and buttons.
QString TextDatabaseLabel();
QString OutputLabel();
QString MakerLabel();
QString Select();
QString Convert();
QString Pause();
QString Start();
QString ChangeOutput();
QString OpenFolder();

// The dialogs' filter entries and the save dialog's title.
QString TextDatabaseFilter();
QString AllFilesFilter();
QString AccessDatabaseFilter();
QString OutputDialogTitle();

// Log lines; %1... as documented in LogLines.h.
QString Welcome();                // %1 the maker's web address
QString StartLine();              // %1 the time stamp
QString BatchCommitted();         // %1 last line, %2 line count, %3 time stamp
QString BatchFailed();            // the same
QString Finished();               // %1 records, %2 seconds, %3 output path
QString OutputMovedToDocuments(); // %1 the program's folder, %2 the output path used instead
QString NoBrowser();              // %1 the address
QString NoFileManager();          // %1 the folder

// Progress bar: the percentage alone, and with the time left.
QString ProgressPercent();        // %1 percent
QString ProgressSecondsLeft();    // %1 percent, %2 seconds
QString ProgressMinutesLeft();    // %1 percent, %2 minutes, %3 seconds

// Messages.
QString EmptyPath();
QString FileMissing();            // %1 the path
QString ReadOnce();               // %1 the path
QString QuitQuestion();
QString UnknownError();

}  // namespace ipmdb::ui::texts
