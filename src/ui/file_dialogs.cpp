#include "ui/file_dialogs.h"

#include <QFileDialog>
#include <QQueue>
#include <QStringList>

#include "base/debug_trace.h"

namespace norvik::ui {
namespace {

QQueue<QString>& Answers() {
  static QQueue<QString> answers;
  return answers;
}

// Qt's own dialog rather than the desktop's: it behaves the same everywhere, the offscreen
// platform included.
QString RunDialog(QWidget* owner, const QString& filter, QFileDialog::AcceptMode mode) {
  if (!Answers().isEmpty()) {
    const QString answer = Answers().dequeue();
    DebugTraceF("file dialog answered in advance: \"%s\"", answer.toUtf8().constData());
    return answer;
  }
  QFileDialog dialog(owner);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  if (!filter.isEmpty()) dialog.setNameFilters(filter.split(QStringLiteral(";;")));
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

}  // namespace

QString AskOpenFileName(QWidget* owner, const QString& filter) {
  return RunDialog(owner, filter, QFileDialog::AcceptOpen);
}

QString AskSaveFileName(QWidget* owner, const QString& filter) {
  return RunDialog(owner, filter, QFileDialog::AcceptSave);
}

void QueueFileDialogAnswer(const QString& path) {
  Answers().enqueue(path);
}

int PendingFileDialogAnswers() {
  return static_cast<int>(Answers().size());
}

void ClearFileDialogAnswers() {
  Answers().clear();
}

}  // namespace norvik::ui
