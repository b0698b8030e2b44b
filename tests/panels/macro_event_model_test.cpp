#include "panels/macro_event_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QValidator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "panels/macro_event_view.h"
#include "profiles/macro_editing.h"
#include "profiles/macro_event_names.h"
#include "profiles/macro_recorder.h"
#include "ui/resource_manager.h"

namespace norvik::panels {
namespace {

using profiles::MacroEdit;
using profiles::MacroEvent;
using Texts = std::vector<std::string>;

MacroEvent Event(const char* action, int type, int button, const char* delay) {
  MacroEvent event;
  event.action = action;
  event.type = type;
  event.button = button;
  event.delay = delay;
  return event;
}

std::string Cell(const MacroEventModel& model, int row, int column, int role) {
  return model.data(model.index(row, column), role).toString().toStdString();
}

// The delay cells, top to bottom.
Texts Delays(const MacroEventModel& model) {
  Texts delays;
  for (int row = 0; row < model.rowCount(); ++row) {
    delays.push_back(Cell(model, row, MacroEventModel::kDelayColumn, Qt::DisplayRole));
  }
  return delays;
}

class MacroEventModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(skin_.isValid());
    QFile language(QDir(skin_.path()).filePath(QStringLiteral("lan_en.xml")));
    ASSERT_TRUE(language.open(QIODevice::WriteOnly));
    language.write(
        "<Language><Text id=\"keyboard_key_A\">A</Text>"
        "<Text id=\"mouse_move_to_left_text\">Move left</Text>"
        "<Text id=\"macro_action_down_text\">Press</Text>"
        "<Text id=\"macro_action_up_text\">Release</Text></Language>");
    language.close();
    ui::ResourceManager::Instance().SetResourcePath(skin_.path().toStdString());
    ASSERT_TRUE(ui::ResourceManager::Instance().LoadLanguage(QStringLiteral("lan_en.xml")));
  }
  void TearDown() override { ui::ResourceManager::Instance().Reset(); }

  QTemporaryDir skin_;
  MacroEventModel model_;
  // Checks every change the model announces against what it then reports.
  QAbstractItemModelTester tester_{&model_, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(MacroEventModelTest, RowsShowNamesStylesStoredTextAndCanonicalDelays) {
  model_.SetEvents({Event("down", 10, 4, "007"), Event("down", 4, 12, "70000"),
                    Event("up", 9, 16, ""), Event("down", 7, 1, "5")});
  ASSERT_EQ(model_.rowCount(), 4);
  ASSERT_EQ(model_.columnCount(), 3);
  struct Case {
    int row;
    Texts display;  // name, action, delay
    Texts styles;
    std::string name_id;
  };
  const std::string text_style = profiles::kMacroTextStyle;
  const Case cases[] = {
      {0,
       {"A", "Press", "7"},
       {profiles::kMacroKeyboardNameStyle, profiles::kMacroDownStyle, text_style},
       "keyboard_key_A"},
      {1,
       {"Move left", "12", "65535"},
       {profiles::kMacroMouseNameStyle, text_style, text_style},
       "mouse_move_to_left_text"},
      {2,
       {"keyboard_key_RCtrl", "Release", "0"},
       {profiles::kMacroKeyboardNameStyle, profiles::kMacroUpStyle, text_style},
       "keyboard_key_RCtrl"},
      {3, {"", "Press", "5"}, {"", profiles::kMacroDownStyle, text_style}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    for (int column = 0; column < 3; ++column) {
      EXPECT_EQ(Cell(model_, c.row, column, Qt::DisplayRole), c.display[column]) << column;
      EXPECT_EQ(Cell(model_, c.row, column, MacroEventModel::StyleRole), c.styles[column]);
      EXPECT_EQ(Cell(model_, c.row, column, MacroEventModel::NameIdRole), c.name_id);
    }
    EXPECT_EQ(model_.flags(model_.index(c.row, MacroEventModel::kNameColumn)) & Qt::ItemIsEditable,
              Qt::NoItemFlags);
    EXPECT_TRUE(model_.flags(model_.index(c.row, MacroEventModel::kDelayColumn)) &
                Qt::ItemIsEditable);
  }
  // The stored text is the event with its canonical delay, in the files' styled form.
  const std::vector<profiles::MacroEventRow> rows = model_.Rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1].delay_cell, "65535");
  EXPECT_EQ(Cell(model_, 1, 0, MacroEventModel::EventTextRole), rows[1].event_text);
  EXPECT_NE(rows[1].event_text.find("\"Delay\" : \"65535\""), std::string::npos)
      << rows[1].event_text;

  QSignalSpy changed(&model_, &QAbstractItemModel::dataChanged);
  model_.Retranslate();
  EXPECT_EQ(changed.count(), 1);
}

TEST_F(MacroEventModelTest, TheDelayCellTakesDigitsOnlyAndClamps) {
  model_.SetEvents({Event("down", 10, 4, "10")});
  const QModelIndex delay = model_.index(0, MacroEventModel::kDelayColumn);
  struct Case {
    QVariant value;
    bool accepted;
    std::string shown;
  };
  const Case cases[] = {
      {QStringLiteral("123"), true, "123"},
      {QStringLiteral("007"), true, "7"},
      {QStringLiteral("999999"), true, "65535"},
      {QStringLiteral("99999999999999999999"), true, "65535"},
      {QString(), true, "0"},
      {QStringLiteral("12a"), false, "0"},
      {QStringLiteral("-5"), false, "0"},
      {QStringLiteral(" 5"), false, "0"},
      {70000, true, "65535"},
      {42, true, "42"},
      {-1, false, "42"},
      {QVariant(), false, "42"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value.toString().toStdString());
    EXPECT_EQ(model_.setData(delay, c.value), c.accepted);
    EXPECT_EQ(Cell(model_, 0, MacroEventModel::kDelayColumn, Qt::EditRole), c.shown);
    EXPECT_EQ(model_.Events()[0].delay, c.shown);
  }
  EXPECT_FALSE(model_.setData(model_.index(0, MacroEventModel::kNameColumn), 5));
  EXPECT_FALSE(model_.SetDelay(1, QStringLiteral("5")));
}

TEST_F(MacroEventModelTest, EditsAreAppliedStepByStepAsTheListFunctionsMakeThem) {
  std::vector<MacroEvent> events = {Event("down", 10, 1, "10"), Event("down", 10, 2, "20"),
                                    Event("down", 10, 3, "30")};
  model_.SetEvents(events);
  QTableView view;
  SetUpMacroEventView(&view, &model_);
  SelectEventRow(&view, 1);

  profiles::MacroRecorder recorder;
  recorder.Start(profiles::MacroTimeMode::Constant, 0, 15);
  const auto apply = [&](const MacroEdit& edit) {
    // The views are told of each step: the selected row, held by the view, follows a move.
    const QPersistentModelIndex held = view.selectionModel()->currentIndex();
    const bool move = edit.Changed() && edit.steps[0].kind == profiles::MacroEditStep::Kind::Move;
    model_.Apply(edit);
    profiles::ApplyMacroEdit(events, edit);
    if (move) {
      EXPECT_EQ(held.row(), edit.selection);
    }
    SelectEventRow(&view, edit.selection);
  };
  apply(recorder.AddKey(profiles::RecordPlacement::After, {{0x1E, false}, true, 5}, events,
                        SelectedEventRow(&view)));
  apply(recorder.AddKey(profiles::RecordPlacement::After, {{0x1E, false}, false, 9}, events,
                        SelectedEventRow(&view)));
  EXPECT_EQ(SelectedEventRow(&view), 3);
  apply(profiles::MoveEventToTop(events, SelectedEventRow(&view)));
  apply(profiles::MoveEventDown(events, SelectedEventRow(&view)));
  apply(profiles::MoveEventUp(events, SelectedEventRow(&view)));
  apply(profiles::MoveEventDown(events, SelectedEventRow(&view)));
  apply(profiles::MoveEventToBottom(events, SelectedEventRow(&view)));
  apply(profiles::InsertMouseClick(events, SelectedEventRow(&view), profiles::kMouseLeft, 15));
  apply(profiles::DeleteEvent(events, 0));
  EXPECT_EQ(SelectedEventRow(&view), -1);

  ASSERT_EQ(model_.Events().size(), events.size());
  Texts model_rows;
  Texts list_rows;
  for (std::size_t i = 0; i < events.size(); ++i) {
    model_rows.push_back(Cell(model_, static_cast<int>(i), 0, MacroEventModel::EventTextRole));
    list_rows.push_back(profiles::RowsFromEvents(events)[i].event_text);
  }
  EXPECT_EQ(model_rows, list_rows);
  EXPECT_EQ(Delays(model_), (Texts{"20", "15", "30", "15", "15", "15"}));

  apply(profiles::DeleteAllEvents(events));
  EXPECT_EQ(model_.rowCount(), 0);
}

TEST_F(MacroEventModelTest, AStaleEditStopsAtTheFirstStepThatDoesNotFit) {
  model_.SetEvents({Event("down", 10, 1, "10"), Event("down", 10, 2, "20")});
  MacroEdit edit;
  edit.steps.push_back({profiles::MacroEditStep::Kind::Set, 0, 0, Event("up", 10, 1, "1")});
  edit.steps.push_back({profiles::MacroEditStep::Kind::Remove, 5, 0, {}});
  edit.steps.push_back({profiles::MacroEditStep::Kind::Insert, 0, 0, Event("up", 1, 1, "2")});
  model_.Apply(edit);
  EXPECT_EQ(Delays(model_), (Texts{"1", "20"}));
  using Kind = profiles::MacroEditStep::Kind;
  for (const auto& [kind, row, to] : {std::tuple{Kind::Insert, 3, 0}, std::tuple{Kind::Move, 0, 2},
                                      std::tuple{Kind::Set, -1, 0}}) {
    MacroEdit stale;
    stale.steps.push_back({kind, row, to, {}});
    model_.Apply(stale);
    EXPECT_EQ(model_.rowCount(), 2);
  }
}

TEST_F(MacroEventModelTest, TheDelayEditorTakesAtMostSixDigits) {
  model_.SetEvents({Event("down", 10, 4, "10")});
  QTableView view;
  SetUpMacroEventView(&view, &model_);
  const QModelIndex delay = model_.index(0, MacroEventModel::kDelayColumn);
  std::unique_ptr<QWidget> editor(
      view.itemDelegate()->createEditor(view.viewport(), QStyleOptionViewItem(), delay));
  auto* line = qobject_cast<QLineEdit*>(editor.get());
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->objectName(), QStringLiteral("macro_delay"));
  EXPECT_EQ(line->maxLength(), 6);
  ASSERT_NE(line->validator(), nullptr);
  for (const char* text : {"12a", "-1", "1.5"}) {
    QString typed = QString::fromLatin1(text);
    int position = 0;
    EXPECT_EQ(line->validator()->validate(typed, position), QValidator::Invalid) << text;
  }
  view.itemDelegate()->setEditorData(line, delay);
  EXPECT_EQ(line->text(), QStringLiteral("10"));
  line->setText(QStringLiteral("99999"));
  view.itemDelegate()->setModelData(line, &model_, delay);
  EXPECT_EQ(model_.Events()[0].delay, "65535");
  EXPECT_EQ(view.verticalHeader()->defaultSectionSize(), MacroEventModel::kRowHeight);
}

}  // namespace
}  // namespace norvik::panels
