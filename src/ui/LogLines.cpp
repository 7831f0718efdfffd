// The texts of the log's lines.
#include "ui/LogLines.h"

#include "engine/Branding.h"
#include "ui/Texts.h"

namespace ipmdb::ui {

QString WelcomeLogLine() {
  const QString url = QString::fromUtf8(engine::kMakerUrl.data(), qsizetype(engine::kMakerUrl.size()));
  return QStringLiteral("1 - ") + texts::Welcome().arg(url);
}

QString StartLogLine(const QString& stamp) { return texts::StartLine().arg(stamp); }

QString ProgressLogLine(const engine::ProgressMessage& message, const QString& stamp) {
  QString pattern;
  if (message.message == engine::kMsgBatchCommitted) pattern = texts::BatchCommitted();
  if (message.message == engine::kMsgBatchFailed) pattern = texts::BatchFailed();
  if (pattern.isEmpty()) return {};
  // One multi-argument call, so that nothing in an earlier argument is taken for a placeholder.
  return pattern.arg(QString::number(message.wParam), QString::number(message.lParam), stamp);
}

QString FinishedLogLine(int64_t records, int64_t elapsedMs, const QString& outputPath) {
  return texts::Finished().arg(QString::number(records), QString::number(double(elapsedMs) / 1000.0, 'f', 1),
                               outputPath);
}

}  // namespace ipmdb::ui
