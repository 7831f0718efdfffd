// The window's texts: the Chinese patterns, their English by table, and the filling of their
// placeholders %1, %2, ..., which lets a translation put the values in another order.
#include "ui/core/Texts.h"

#include <atomic>
#include <initializer_list>

#include "platform/Process.h"
#include "ui/core/EnglishTexts.h"

namespace ipmdb::ui::texts {
namespace {

std::atomic<Language> gLanguage{Language::Chinese};

std::string_view Translated(std::string_view chinese) {
  if (gLanguage.load() != Language::English) return chinese;
  for (std::size_t i = 0; i < kEnglishTextsCount; ++i) {
    if (chinese == kEnglishTexts[i].FSource) return kEnglishTexts[i].FTranslation;
  }
  return chinese;
}

std::string Tr(std::string_view chinese) { return std::string(Translated(chinese)); }

// The pattern's text in the chosen language with %n replaced by the n-th value, in one pass, so
// that a value holding "%1" (a file name may) is never filled in turn.
std::string Tr(std::string_view chinese, std::initializer_list<std::string_view> values) {
  const std::string_view pattern = Translated(chinese);
  std::string filled;
  for (std::size_t at = 0; at < pattern.size(); ++at) {
    const bool placeholder = pattern[at] == '%' && at + 1 < pattern.size() && pattern[at + 1] >= '1' &&
                             std::size_t(pattern[at + 1] - '1') < values.size();
    if (!placeholder) {
      filled += pattern[at];
      continue;
    }
    filled += values.begin()[pattern[at + 1] - '1'];
    ++at;
  }
  return filled;
}

}  // namespace

Language LanguageOfEnvironment() {
  return platform::UserPrefersEnglish() ? Language::English : Language::Chinese;
}

void SetLanguage(Language language) { gLanguage.store(language); }

Language CurrentLanguage() { return gLanguage.load(); }

std::string ApplicationTitle() { return Tr("MorvaneIP数据库转换程序"); }
std::string TextDatabaseLabel() { return Tr("Morvane文本数据库："); }
std::string OutputLabel() { return Tr("默认*.MDB数据库路径："); }
std::string MakerLabel() { return Tr("Fenwarde出品："); }
std::string Select() { return Tr("选择"); }
std::string Convert() { return Tr("转换"); }
std::string Pause() { return Tr("暂停"); }
std::string Start() { return Tr("启动"); }
std::string ChangeOutput() { return Tr("更改…"); }
std::string OpenFolder() { return Tr("打开文件夹"); }

std::string TextDatabaseFilter() { return Tr("文本IP数据库(*.txt)"); }
std::string AllFilesFilter() { return Tr("所有文件(*.*)"); }
std::string AccessDatabaseFilter() { return Tr("Access数据库(*.mdb *.MDB)"); }
std::string OutputDialogTitle() { return Tr("输出数据库"); }

std::string Welcome(std::string_view url) { return Tr("欢迎使用此程序[%1]", {url}); }
std::string StartLine(std::string_view stamp) { return Tr("转换开始,时间 - [%1]", {stamp}); }
std::string BatchCommitted(std::string_view lastLine, std::string_view lineCount, std::string_view stamp) {
  return Tr("加载第[%1/%2]条记录成功,时间 - [%3]", {lastLine, lineCount, stamp});
}
std::string BatchFailed(std::string_view lastLine, std::string_view lineCount, std::string_view stamp) {
  return Tr("加载第[%1/%2]条记录失败,时间 - [%3]", {lastLine, lineCount, stamp});
}
std::string Finished(std::string_view records, std::string_view seconds, std::string_view outputPath) {
  return Tr("转换完成：%1 条记录，用时 %2 秒 → %3", {records, seconds, outputPath});
}
std::string OutputMovedToDocuments(std::string_view programFolder, std::string_view outputPath) {
  return Tr("程序所在的文件夹[%1]不可写，输出数据库改存到[%2]。", {programFolder, outputPath});
}
std::string NoBrowser(std::string_view url) { return Tr("无法打开浏览器，请复制网址自行访问：%1", {url}); }
std::string NoFileManager(std::string_view folder) { return Tr("无法打开文件夹：%1", {folder}); }

std::string ProgressPercent(std::string_view percent) { return Tr("%1%", {percent}); }
std::string ProgressSecondsLeft(std::string_view percent, std::string_view seconds) {
  return Tr("%1%，剩余约 %2 秒", {percent, seconds});
}
std::string ProgressMinutesLeft(std::string_view percent, std::string_view minutes, std::string_view seconds) {
  return Tr("%1%，剩余约 %2 分 %3 秒", {percent, minutes, seconds});
}

std::string EmptyPath() { return Tr("文本IP数据库路径不能为空。"); }
std::string FileMissing(std::string_view path) { return Tr("[%1]文件不存在。", {path}); }
std::string ReadOnce(std::string_view path) {
  return Tr("[%1]不是普通文件：转换时先读完它的全部文本，暂存在临时文件中。", {path});
}
std::string QuitQuestion() { return Tr("转换尚未完成，确定退出？"); }
std::string UnknownError() { return Tr("发生了未知错误。"); }

}  // namespace ipmdb::ui::texts
