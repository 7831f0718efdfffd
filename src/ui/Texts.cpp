// The window's texts, each marked for translation in context "ipmdb".
#include "ui/Texts.h"

#include <QCoreApplication>

namespace ipmdb::ui::texts {
namespace {

QString Tr(const char* source) { return QCoreApplication::translate("ipmdb", source); }

}  // namespace

QString ApplicationTitle() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "MorvaneIP数据库转换程序")); }
QString TextDatabaseLabel() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "Morvane文本数据库：")); }
QString OutputLabel() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "默认*.MDB数据库路径：")); }
QString MakerLabel() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "Fenwarde出品：")); }
QString Select() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "选择")); }
QString Convert() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "转换")); }
QString Pause() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "暂停")); }
QString Start() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "启动")); }
QString ChangeOutput() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "更改…")); }
QString OpenFolder() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "打开文件夹")); }

QString TextDatabaseFilter() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "文本IP数据库(*.txt)")); }
QString AllFilesFilter() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "所有文件(*.*)")); }
QString AccessDatabaseFilter() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "Access数据库(*.mdb *.MDB)")); }
QString OutputDialogTitle() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "输出数据库")); }

QString Welcome() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "欢迎使用此程序[%1]")); }
QString StartLine() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "转换开始,时间 - [%1]")); }
QString BatchCommitted() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "加载第[%1/%2]条记录成功,时间 - [%3]")); }
QString BatchFailed() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "加载第[%1/%2]条记录失败,时间 - [%3]")); }
QString Finished() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "转换完成：%1 条记录，用时 %2 秒 → %3")); }
QString OutputMovedToDocuments() {
  return Tr(QT_TRANSLATE_NOOP("ipmdb", "程序所在的文件夹[%1]不可写，输出数据库改存到[%2]。"));
}
QString NoBrowser() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "无法打开浏览器，请复制网址自行访问：%1")); }
QString NoFileManager() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "无法打开文件夹：%1")); }

QString ProgressPercent() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "%1%")); }
QString ProgressSecondsLeft() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "%1%，剩余约 %2 秒")); }
QString ProgressMinutesLeft() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "%1%，剩余约 %2 分 %3 秒")); }

QString EmptyPath() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "文本IP数据库路径不能为空。")); }
QString FileMissing() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "[%1]文件不存在。")); }
QString ReadOnce() {
  return Tr(QT_TRANSLATE_NOOP("ipmdb", "[%1]不是普通文件：转换时先读完它的全部文本，暂存在临时文件中。"));
}
QString QuitQuestion() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "转换尚未完成，确定退出？")); }
QString UnknownError() { return Tr(QT_TRANSLATE_NOOP("ipmdb", "发生了未知错误。")); }

}  // namespace ipmdb::ui::texts
