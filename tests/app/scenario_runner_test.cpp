// The scenario runner on a window of its own: each script acts as the user (mouse, combo and
// list choices, a slider drag, typing, keys seen by an application event filter, a modal
// message box answered by the lines after the click that opened it) and must end with its
// exit code and, when it fails, the exact "FILE:LINE: reason".
#include "app/scenario_runner.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

namespace norvik::app {
namespace {

// Counts the key presses the application delivers, as a macro recorder would see them.
class KeyCounter : public QObject {
 public:
  explicit KeyCounter(QLabel* shown) : shown_(shown) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && watched->objectName() == QLatin1String("edit")) {
      const auto* key = static_cast<QKeyEvent*>(event);
      shown_->setText(shown_->text() + QKeySequence(key->keyCombination()).toString() + ";");
    }
    return false;
  }

 private:
  QLabel* shown_;
};

QLabel* AddLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  parent->layout()->addWidget(label);
  return label;
}

// The window every script acts on; each control reports what the user did into a label.
struct TestWindow {
  QWidget window;
  std::unique_ptr<KeyCounter> keys;

  TestWindow() {
    window.setObjectName(QStringLiteral("test_window"));
    window.setLayout(new QVBoxLayout);
    auto* ask = new QPushButton(QStringLiteral("Ask"), &window);
    ask->setObjectName(QStringLiteral("ask_btn"));
    window.layout()->addWidget(ask);
    QLabel* answer = AddLabel(&window, "answer");
    QObject::connect(ask, &QPushButton::clicked, &window, [this, answer] {
      QMessageBox box(QMessageBox::Question, QStringLiteral("Sure?"), QStringLiteral("Sure?"),
                      QMessageBox::Yes | QMessageBox::No, &window);
      box.button(QMessageBox::Yes)->setObjectName(QStringLiteral("msg_yes_btn"));
      box.button(QMessageBox::No)->setObjectName(QStringLiteral("msg_no_btn"));
      answer->setText(box.exec() == QMessageBox::Yes ? QStringLiteral("yes")
                                                     : QStringLiteral("no"));
    });

    auto* combo = new QComboBox(&window);
    combo->setObjectName(QStringLiteral("combo"));
    combo->addItem(QStringLiteral("a"), 10);
    combo->addItem(QStringLiteral("b"), 20);
    combo->addItem(QStringLiteral("c"), 30);
    window.layout()->addWidget(combo);
    QLabel* picked = AddLabel(&window, "picked");
    QObject::connect(combo, &QComboBox::activated, picked,
                     [picked, combo](int i) { picked->setText(combo->itemText(i)); });

    auto* list = new QListWidget(&window);
    list->setObjectName(QStringLiteral("list"));
    list->addItems({QStringLiteral("one"), QStringLiteral("two")});
    window.layout()->addWidget(list);

    auto* slider = new QSlider(Qt::Horizontal, &window);
    slider->setObjectName(QStringLiteral("slider"));
    slider->setRange(0, 100);
    window.layout()->addWidget(slider);
    QLabel* slid = AddLabel(&window, "slid");
    QObject::connect(slider, &QSlider::sliderMoved, slid,
                     [slid](int v) { slid->setText(QStringLiteral("moved %1").arg(v)); });
    QObject::connect(slider, &QSlider::sliderReleased, slid, [slid, slider] {
      slid->setText(slid->text() + QStringLiteral(" released %1").arg(slider->value()));
    });

    auto* edit = new QLineEdit(QStringLiteral("old"), &window);
    edit->setObjectName(QStringLiteral("edit"));
    window.layout()->addWidget(edit);
    QLabel* edited = AddLabel(&window, "edited");
    QObject::connect(edit, &QLineEdit::editingFinished, edited,
                     [edited, edit] { edited->setText(edit->text()); });
    keys = std::make_unique<KeyCounter>(AddLabel(&window, "keys"));
    qApp->installEventFilter(keys.get());

    auto* off = new QPushButton(QStringLiteral("Off"), &window);
    off->setObjectName(QStringLiteral("off_btn"));
    off->setEnabled(false);
    window.layout()->addWidget(off);
    auto* hidden = new QPushButton(QStringLiteral("Hidden"), &window);
    hidden->setObjectName(QStringLiteral("hidden_btn"));
    window.layout()->addWidget(hidden);
    hidden->hide();

    window.show();
    window.activateWindow();
  }
  ~TestWindow() { qApp->removeEventFilter(keys.get()); }
};

struct RunCase {
  const char* script;
  int code;
  const char* failure;  // "LINE: reason" after "test.scn:", empty when it passes
};

TEST(ScenarioRunner, ScriptsActAsTheUserAndFailAtTheirLineWithTheReason) {
  const std::vector<RunCase> cases = {
      // A modal message box: the lines after the click run inside its event loop.
      {"click ask_btn\nexpect msg_yes_btn visible true\nclick msg_no_btn\nexpect answer text no\n"
       "click ask_btn\nclick msg_yes_btn\nexpect answer text yes\n",
       0, ""},
      {"select combo 2\nexpect picked text c\nexpect combo current 2\n"
       "select combo data=20\nexpect picked text b\nexpect combo count 3\n"
       "select list 1\nexpect list current 1\n",
       0, ""},
      {"slide slider 40\nexpect slider value 40\nexpect slid text \"moved 40 released 40\"\n", 0,
       ""},
      {"type edit \"new text\"\nexpect edit text \"new text\"\nexpect edited text \"new text\"\n"
       "key edit F5\nkey edit Ctrl+S\nexpect keys text N;E;W;Space;T;E;X;T;F5;Ctrl+S;\n",
       0, ""},
      // Failures: the line and the reason.
      {"timeout 50\nexpect picked text z\n", 1, "2: picked text: expected \"z\", found \"\""},
      {"click off_btn\n", 1, "1: \"off_btn\" is disabled"},
      {"\nclick hidden_btn\n", 1, "2: \"hidden_btn\" is hidden"},
      {"click nothing\n", 1, "1: no control \"nothing\" in the window \"test_window\""},
      {"slide combo 1\n", 1, "1: a QComboBox is not a slider"},
      {"slide slider 101\n", 1, "1: 101 is outside the slider's range 0 to 100"},
      {"select combo 3\n", 1, "1: there is no item 3 (3 items)"},
      {"select combo data=99\n", 1, "1: no item has the data \"99\""},
      {"key edit NoSuchKey\n", 1, "1: \"NoSuchKey\" is not a key (F5, Ctrl+S, A, ...)"},
      {"emulator plug keyboard\n", 1, "1: the program does not emulate (--emulate)"},
      {"stall report x\n", 1, "1: stall report without stall start"},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.script);
    TestWindow window;
    ScenarioParseResult parsed = ParseScenario(c.script);
    ASSERT_EQ(parsed.error_line, 0) << parsed.error;
    ScenarioContext context;
    context.main_window = &window.window;
    ScenarioRunner runner("test.scn", std::move(parsed.steps), context);
    QEventLoop loop;
    int code = -1;
    runner.Start([&](int done) {
      code = done;
      loop.exit();
    });
    if (!runner.Finished()) loop.exec();
    EXPECT_EQ(code, c.code);
    const std::string failure = c.failure[0] ? std::string("test.scn:") + c.failure : "";
    EXPECT_EQ(runner.Failure(), failure);
  }
}

}  // namespace
}  // namespace norvik::app
