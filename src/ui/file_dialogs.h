#pragma once
// The program's file dialogs in one place: every "open" and "save" question the user is asked
// about a file goes through here. A scenario script answers the next dialog in advance
// (QueueFileDialogAnswer), and the dialog is then not shown at all.

#include <QString>

class QWidget;

namespace norvik::ui {

// The file the user picked, or empty when the dialog was cancelled. filter is a Qt name filter
// list separated by ";;" ("Profiles (*.json);;All files (*)"); empty means any file.
QString AskOpenFileName(QWidget* owner, const QString& filter);
// The same for a file to write; the file need not exist.
QString AskSaveFileName(QWidget* owner, const QString& filter);

// The next dialog returns path without showing (answers are used in the order queued). An empty
// path answers "cancelled". UI thread only.
void QueueFileDialogAnswer(const QString& path);
// Answers queued but not used yet.
int PendingFileDialogAnswers();
// Forgets the queued answers.
void ClearFileDialogAnswers();

}  // namespace norvik::ui
