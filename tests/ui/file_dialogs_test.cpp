// The file dialogs: answers queued in advance are used in order without a dialog; without one
// Qt's own dialog runs (also offscreen) and its choice or cancel is returned.
#include "ui/file_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

namespace norvik::ui {
namespace {

class FileDialogs : public ::testing::Test {
 protected:
  void SetUp() override { ClearFileDialogAnswers(); }
  void TearDown() override { ClearFileDialogAnswers(); }
};

TEST_F(FileDialogs, QueuedAnswersAreUsedInOrderWithoutADialog) {
  QueueFileDialogAnswer(QStringLiteral("/tmp/first.json"));
  QueueFileDialogAnswer(QString());  // cancelled
  QueueFileDialogAnswer(QStringLiteral("/tmp/third.json"));
  EXPECT_EQ(PendingFileDialogAnswers(), 3);
  EXPECT_EQ(AskOpenFileName(nullptr, QStringLiteral("Profiles (*.json)")), "/tmp/first.json");
  EXPECT_EQ(AskSaveFileName(nullptr, {}), QString());
  EXPECT_EQ(AskSaveFileName(nullptr, {}), "/tmp/third.json");
  EXPECT_EQ(PendingFileDialogAnswers(), 0);
}

// Acts on the dialog once it is the active modal window.
void WhenDialogShows(const std::function<void(QFileDialog&)>& act) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    timer->stop();
    timer->deleteLater();
    act(*dialog);
  });
  timer->start(10);
}

TEST_F(FileDialogs, WithoutAnAnswerQtsOwnDialogRunsAndReturnsTheChoice) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString wanted = folder.filePath(QStringLiteral("export.json"));
  bool native = true;
  WhenDialogShows([&](QFileDialog& dialog) {
    native = !dialog.testOption(QFileDialog::DontUseNativeDialog);
    dialog.selectFile(wanted);
    static_cast<QDialog&>(dialog).accept();  // QFileDialog hides the public accept()
  });
  EXPECT_EQ(AskSaveFileName(nullptr, QStringLiteral("Profiles (*.json);;All files (*)")), wanted);
  EXPECT_FALSE(native);
}

TEST_F(FileDialogs, ACancelledDialogReturnsEmpty) {
  WhenDialogShows([](QFileDialog& dialog) { dialog.reject(); });
  EXPECT_TRUE(AskOpenFileName(nullptr, {}).isEmpty());
}

}  // namespace
}  // namespace norvik::ui
