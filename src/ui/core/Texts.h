// Every text the windows show, in one place and in both languages. Chinese is the source
// language and the default; under English each text is its translation in
// translations/ipmdb_en.ts, which the build compiles into a table (EnglishTexts.h), so that the
// Linguist file stays the one place where the English is written. A text that takes values is a
// function of them; its placeholders are filled here, never by the windows.
//
// Threads: SetLanguage is called once at start, before any window exists; every text function
// may then be called from any thread. All texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ipmdb::ui::texts {

enum class Language { Chinese, English };

// The language the user asks for (platform::UserPrefersEnglish): the locale's on POSIX, the
// interface language of the user's Windows there.
Language LanguageOfEnvironment();
// Chooses the language of every text; Chinese until called.
void SetLanguage(Language language);
Language CurrentLanguage();

// The application title: the caption of every message box and the start of the window's caption.
std::string ApplicationTitle();

// Labels and buttons. The convert button's captions come through CaptionOf (ConversionControl.h).
std::string TextDatabaseLabel();
std::string OutputLabel();
std::string MakerLabel();
std::string Select();
std::string Convert();
std::string Pause();
std::string Start();
std::string ChangeOutput();
std::string OpenFolder();

// The dialogs' filter entries ("文本IP数据库(*.txt)": the name, then the patterns in
// parentheses) and the save dialog's title.
std::string TextDatabaseFilter();
std::string AllFilesFilter();
std::string AccessDatabaseFilter();
std::string OutputDialogTitle();

// Log lines, without their numbers; LogLines.h builds them.
std::string Welcome(std::string_view url);
std::string StartLine(std::string_view stamp);
std::string BatchCommitted(std::string_view lastLine, std::string_view lineCount, std::string_view stamp);
std::string BatchFailed(std::string_view lastLine, std::string_view lineCount, std::string_view stamp);
std::string Finished(std::string_view records, std::string_view seconds, std::string_view outputPath);
std::string OutputMovedToDocuments(std::string_view programFolder, std::string_view outputPath);
std::string NoBrowser(std::string_view url);
std::string NoFileManager(std::string_view folder);

// The progress bar's text: the percentage alone, and with the time left.
std::string ProgressPercent(std::string_view percent);
std::string ProgressSecondsLeft(std::string_view percent, std::string_view seconds);
std::string ProgressMinutesLeft(std::string_view percent, std::string_view minutes, std::string_view seconds);

// Messages.
std::string EmptyPath();
std::string FileMissing(std::string_view path);
std::string ReadOnce(std::string_view path);
std::string QuitQuestion();
std::string UnknownError();

}  // namespace ipmdb::ui::texts
