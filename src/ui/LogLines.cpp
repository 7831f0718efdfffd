// The texts of the log's lines.
#include "ui/LogLines.h"

#include "engine/Branding.h"

namespace ipmdb::ui {

QString WelcomeLogLine() {
  const QString url = QString::fromUtf8(engine::kMakerUrl.data(), qsizetype(engine::kMakerUrl.size()));
  return QStringLiteral("1 - 欢迎使用此程序[%1]").arg(url);
}

QString StartLogLine(const QString& stamp) { return QStringLiteral("转换开始,时间 - [%1]").arg(stamp); }

QString ProgressLogLine(const engine::ProgressMessage& message, const QString& stamp) {
  QString pattern;
  if (message.message == engine::kMsgBatchCommitted) pattern = QStringLiteral("加载第[%1/%2]条记录成功,时间 - [%3]");
  if (message.message == engine::kMsgBatchFailed) pattern = QStringLiteral("加载第[%1/%2]条记录失败,时间 - [%3]");
  if (pattern.isEmpty()) return {};
  // One multi-argument call, so that nothing in an earlier argument is taken for a placeholder.
  return pattern.arg(QString::number(message.wParam), QString::number(message.lParam), stamp);
}

}  // namespace ipmdb::ui
