#include "panels/key_set_control.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QStackedWidget>
#include <QStringList>
#include <algorithm>
#include <span>
#include <utility>
#include <variant>

#include "base/debug_trace.h"
#include "panels/controls_picture.h"
#include "panels/velmoran_usb_device.h"
#include "profiles/key_code_table.h"
#include "profiles/macro_key_table.h"
#include "ui/input_capture.h"
#include "ui/key_scan_codes.h"
#include "ui/resource_manager.h"

namespace norvik::panels {
namespace {

using profiles::KeyAssignment;
using profiles::KeyAssignmentForm;
using profiles::KeyEntry;
using profiles::kNoItem;

constexpr char kModifierOption[] = "key_ComBox_check_";
constexpr int kModifierOptions = 5;
constexpr char kOnlyLeftButton[] = "message_text_6";
constexpr char kWriteFailed[] = "message_text_7";
constexpr char kEditingText[] = "keyset_editing_text";
constexpr int kShootPatterns = 4;

// Combo items that follow the language: item i shows the text of keys[i], user data `data`.
void FillKeyed(QComboBox* combo, const QStringList& keys, const QStringList& data = {}) {
  if (combo == nullptr) return;
  combo->clear();
  for (int i = 0; i < keys.size(); ++i)
    combo->addItem(keys[i], i < data.size() ? QVariant(data[i]) : QVariant(i));
  combo->setProperty(ui::kItemKeysProperty, keys);
  ui::ResourceManager::Instance().TranslateWidget(combo);
}

QStringList Numbered(const char* prefix, int count, const char* suffix = "_text") {
  QStringList keys;
  for (int i = 0; i < count; ++i)
    keys << QLatin1String(prefix) + QString::number(i) + QLatin1String(suffix);
  return keys;
}

// "keyset_<group>_<word>_text" for each row of a choice list.
QStringList RowKeys(const char* group, std::span<const profiles::KeyCodeRow> rows) {
  QStringList keys;
  for (const profiles::KeyCodeRow& row : rows) {
    keys << QStringLiteral("keyset_%1_%2_text")
                .arg(QLatin1String(group),
                     QString::fromLatin1(row.word.data(), static_cast<int>(row.word.size()))
                         .toLower());
  }
  return keys;
}

QStringList KeyTableKeys(std::span<const profiles::KeyCodeRow> rows) {
  QStringList keys;
  for (const profiles::KeyCodeRow& row : rows) keys << QString::fromStdString(KeyTextKey(row));
  return keys;
}

void SetItem(QComboBox* combo, int item) {
  if (combo != nullptr) combo->setCurrentIndex(item >= 0 && item < combo->count() ? item : -1);
}

int ItemOf(const QComboBox* combo) {
  return combo != nullptr ? combo->currentIndex() : kNoItem;
}

// An edit's decimal value; an empty edit is 0. Digits only reach it (validator), so only the
// size can be out of range, and ClampForm brings it back.
int NumberOf(const QLineEdit* edit) {
  if (edit == nullptr) return 0;
  bool ok = false;
  const int value = edit->text().toInt(&ok);
  return ok ? value : 0;
}

void SetNumber(QLineEdit* edit, int value) {
  if (edit != nullptr) edit->setText(QString::number(value));
}

}  // namespace

CKeySetControlUI::CKeySetControlUI(QWidget* parent) : QWidget(parent) {}

CKeySetControlUI::~CKeySetControlUI() = default;

template <class T>
static T* Find(const QWidget* root, const QString& name) {
  return root->findChild<T*>(name);
}

void CKeySetControlUI::Attach(CVelmoranUSBDevice& panel) {
  panel_ = &panel;
  function_ = Find<QComboBox>(this, QStringLiteral("keyset_function_combo"));
  pages_ = Find<QStackedWidget>(this, QStringLiteral("function_switch_tablayout"));
  keyboard_edit_ = Find<QLineEdit>(this, QStringLiteral("keyset_keyboard_text_edit"));
  if (keyboard_edit_ != nullptr) keyboard_edit_->installEventFilter(this);
  const auto digits = QRegularExpression(QStringLiteral("[0-9]*"));
  for (QLineEdit* edit : findChildren<QLineEdit*>()) {
    if (edit != keyboard_edit_) edit->setValidator(new QRegularExpressionValidator(digits, edit));
  }
  for (int k = 0; k < kModifierOptions; ++k) {
    // One option at a time, "none" included; the page keeps them exclusive.
    if (auto* option = Find<QAbstractButton>(this, kModifierOption + QString::number(k)))
      option->setAutoExclusive(false);
  }
  FillFixedLists();
  if (auto* list = Find<QComboBox>(this, QStringLiteral("keyset_keyboard_list_combo"))) {
    connect(list, &QComboBox::activated, this, [this](int index) { PickKeyboardRow(index); });
  }
  connect(&panel, &CVelmoranUSBDevice::SnapshotApplied, this, [this] { Refresh(); });
  SetEditable(false);
  panel.SetKeyPage(this);
}

void CKeySetControlUI::FillFixedLists() {
  QStringList categories;
  for (int i = 0; i < profiles::kKeyFunctionCount; ++i) categories << QString::number(i);
  FillKeyed(function_, Numbered("keyset_function_", profiles::kKeyFunctionCount), categories);
  auto combo = [this](const char* name) { return Find<QComboBox>(this, QLatin1String(name)); };
  FillKeyed(combo("keyset_mousekey_combo"), RowKeys("button", profiles::MouseButtonChoices()));
  FillKeyed(combo("keyset_mouseswing_combo"),
            {QStringLiteral("keyset_swing_left_text"), QStringLiteral("keyset_swing_right_text")});
  FillKeyed(combo("keyset_mousewheel_combo"),
            {QStringLiteral("keyset_wheel_up_text"), QStringLiteral("keyset_wheel_down_text")});
  FillKeyed(combo("keyset_mousedpi_combo"), RowKeys("dpi", profiles::DpiChoices()));
  FillKeyed(combo("keyset_media_combo"), KeyTableKeys(profiles::MediaChoices()));
  FillKeyed(combo("keyset_system_combo"), KeyTableKeys(profiles::SystemChoices()));
  FillKeyed(combo("keyset_macro_over_combo"),
            Numbered("keyset_macro_mode_", profiles::kMacroRepeatItem + 1));
  FillKeyed(combo("keyset_gunkey_combo"), Numbered("keyset_shoot_", kShootPatterns));
  FillKeyed(combo("keyset_keyboard_list_combo"), KeyTableKeys(profiles::KeyCodeTable()));
  if (QComboBox* shortcuts = combo("keyset_combokey_combo")) {
    // Key names read the same in every language.
    shortcuts->clear();
    int i = 0;
    for (const profiles::KeyCodeRow& row : profiles::ShortcutChoices())
      shortcuts->addItem(QString::fromLatin1(row.word.data(), static_cast<int>(row.word.size())),
                         i++);
  }
}

void CKeySetControlUI::FillMacroList() {
  auto* combo = Find<QComboBox>(this, QStringLiteral("keyset_macro_combo"));
  if (combo == nullptr) return;
  const int selected = combo->currentIndex();
  combo->clear();
  int i = 0;
  for (const std::string& name : macro_names_) combo->addItem(QString::fromStdString(name), i++);
  SetItem(combo, selected);
}

bool CKeySetControlUI::IsMouse() const {
  const CVelmoranUSBDevice* panel = panel_.data();
  if (panel == nullptr) return false;
  const int kind = panel->Kind();
  return kind == 2 || kind == 6;
}

void CKeySetControlUI::SetEditable(bool on) {
  for (const char* name : {"keyset_function_combo", "function_switch_tablayout",
                           "key_butt_keydefalut", "key_butt_keysave", "key_butt_keycancel"}) {
    if (auto* control = Find<QWidget>(this, QLatin1String(name))) control->setEnabled(on);
  }
  if (!on) return;
  // A type the page has no category for: nothing to edit but the way back to the default.
  if (function_ != nullptr) function_->setEnabled(enabled_);
  if (pages_ != nullptr) pages_->setEnabled(enabled_);
}

// --- showing and reading the controls ---

void CKeySetControlUI::ShowFunction(int category, bool enabled) {
  int item = -1;
  for (int i = 0; function_ != nullptr && i < function_->count() && item < 0; ++i) {
    if (function_->itemData(i).toString().toInt() == category) item = i;
  }
  enabled_ = enabled && item >= 0;
  if (function_ != nullptr) function_->setCurrentIndex(enabled_ ? item : -1);
  if (pages_ != nullptr && enabled_ && category < pages_->count())
    pages_->setCurrentIndex(category);
  SetEditable(key_ >= 0);
}

void CKeySetControlUI::ShowKeyboardRow(int row) {
  keyboard_row_ = row;
  SetItem(Find<QComboBox>(this, QStringLiteral("keyset_keyboard_list_combo")), row);
  if (keyboard_edit_ == nullptr) return;
  const auto table = profiles::KeyCodeTable();
  if (row >= 0 && static_cast<std::size_t>(row) < table.size()) {
    ui::ResourceManager::SetTextKey(
        keyboard_edit_, QString::fromStdString(KeyTextKey(table[static_cast<std::size_t>(row)])));
  } else {
    ui::ResourceManager::SetPlainText(keyboard_edit_, QString());
  }
}

void CKeySetControlUI::FillControls(const KeyAssignmentForm& form) {
  auto combo = [this](const char* name) { return Find<QComboBox>(this, QLatin1String(name)); };
  auto edit = [this](const char* name) { return Find<QLineEdit>(this, QLatin1String(name)); };
  SetItem(combo("keyset_mousekey_combo"), form.mouse_button_item);
  for (const auto& [prefix, motion] :
       {std::pair{"keyset_mouseswing", &form.swing}, std::pair{"keyset_mousewheel", &form.wheel}}) {
    const QString p = QLatin1String(prefix);
    SetItem(Find<QComboBox>(this, p + QLatin1String("_combo")), motion->direction_item);
    SetNumber(Find<QLineEdit>(this, p + QLatin1String("_num_edit")), motion->count);
    SetNumber(Find<QLineEdit>(this, p + QLatin1String("_delay_edit")), motion->delay);
    SetNumber(Find<QLineEdit>(this, p + QLatin1String("_speed_edit")), motion->speed);
  }
  SetItem(combo("keyset_mousedpi_combo"), form.dpi_item);
  SetNumber(edit("keyset_mousefire_interval_edit"), form.fire_interval);
  SetNumber(edit("keyset_mousefire_num_edit"), form.fire_count);
  ShowKeyboardRow(form.keyboard_key_row);
  SelectModifier(form.modifier_option);
  SetItem(combo("keyset_media_combo"), form.media_item);
  SetItem(combo("keyset_system_combo"), form.system_item);
  SetItem(combo("keyset_macro_combo"), form.macro_item);
  SetItem(combo("keyset_macro_over_combo"), form.macro_play_item);
  SetNumber(edit("keyset_macro_cycle_edit"), form.macro_repeat);
  if (auto* cycle = Find<QWidget>(this, QStringLiteral("keyset_macro_cycle_layout")))
    cycle->setVisible(form.macro_repeat_shown);
  SetItem(combo("keyset_gunkey_combo"), form.shoot_item);
  SetItem(combo("keyset_combokey_combo"), form.shortcut_item);
  ShowFunction(static_cast<int>(form.function), form.enabled);
}

KeyAssignmentForm CKeySetControlUI::ReadForm() const {
  auto combo = [this](const char* name) { return Find<QComboBox>(this, QLatin1String(name)); };
  auto edit = [this](const char* name) { return Find<QLineEdit>(this, QLatin1String(name)); };
  KeyAssignmentForm form;
  form.enabled = enabled_;
  const int item = function_ != nullptr ? function_->currentIndex() : -1;
  // No item: a category number outside the list, which builds nothing new.
  form.function = static_cast<profiles::KeyFunction>(
      item >= 0 ? function_->itemData(item).toString().toInt() : -1);
  form.mouse_button_item = ItemOf(combo("keyset_mousekey_combo"));
  for (const auto& [prefix, motion] :
       {std::pair{"keyset_mouseswing", &form.swing}, std::pair{"keyset_mousewheel", &form.wheel}}) {
    const QString p = QLatin1String(prefix);
    motion->direction_item =
        std::max(ItemOf(Find<QComboBox>(this, p + QLatin1String("_combo"))), 0);
    motion->count = NumberOf(Find<QLineEdit>(this, p + QLatin1String("_num_edit")));
    motion->delay = NumberOf(Find<QLineEdit>(this, p + QLatin1String("_delay_edit")));
    motion->speed = NumberOf(Find<QLineEdit>(this, p + QLatin1String("_speed_edit")));
  }
  form.dpi_item = ItemOf(combo("keyset_mousedpi_combo"));
  form.fire_interval = NumberOf(edit("keyset_mousefire_interval_edit"));
  form.fire_count = NumberOf(edit("keyset_mousefire_num_edit"));
  form.keyboard_key_row = keyboard_row_;
  form.modifier_option = GetModifier();
  form.media_item = ItemOf(combo("keyset_media_combo"));
  form.system_item = ItemOf(combo("keyset_system_combo"));
  form.macro_item = ItemOf(combo("keyset_macro_combo"));
  form.macro_play_item = ItemOf(combo("keyset_macro_over_combo"));
  form.macro_repeat = NumberOf(edit("keyset_macro_cycle_edit"));
  form.shoot_item = ItemOf(combo("keyset_gunkey_combo"));
  form.shortcut_item = ItemOf(combo("keyset_combokey_combo"));
  return form;
}

void CKeySetControlUI::SelectModifier(int k) {
  for (int i = 0; i < kModifierOptions; ++i) {
    if (auto* option = Find<QAbstractButton>(this, kModifierOption + QString::number(i)))
      option->setChecked(i == k);
  }
}

int CKeySetControlUI::GetModifier() const {
  for (int i = 0; i < kModifierOptions; ++i) {
    auto* option = Find<QAbstractButton>(this, kModifierOption + QString::number(i));
    if (option != nullptr && option->isChecked()) return i;
  }
  return kNoItem;
}

// --- the panel's operations ---

void CKeySetControlUI::ShowAssignment(const KeyEntry& entry) {
  entry_ = entry;
  FillControls(profiles::ShowAssignment(entry.assignment, static_cast<int>(macro_names_.size())));
}

KeyEntry CKeySetControlUI::BuildAssignment() {
  const KeyAssignmentForm form = profiles::ClampForm(ReadForm());
  entry_.assignment = profiles::BuildAssignment(form, entry_.assignment, entry_.defaultAssignment);
  // What was typed outside a field's range is shown as it was stored.
  FillControls(form);
  return entry_;
}

void CKeySetControlUI::RestoreDefault() {
  if (key_ < 0) return;
  ++edits_;
  KeyEntry entry = entry_;
  entry.assignment = entry_.defaultAssignment;
  ShowAssignment(entry);
  Store(entry.assignment);
}

void CKeySetControlUI::CancelEdit() {
  if (key_ < 0) return;
  ++edits_;
  ShowAssignment(entry_);
}

// --- what the routing calls ---

bool CKeySetControlUI::IsOnlyLeftButton(int key) {
  return key >= 0 && devices::IsOnlyLeftButton(keys_, static_cast<std::size_t>(key));
}

void CKeySetControlUI::OpenKey(int key) {
  if (key < 0) return;
  if (static_cast<std::size_t>(key) >= keys_.size()) {
    // The key entries have not arrived yet (or the key is new to them): opened once read.
    pending_key_ = key;
    Refresh();
    return;
  }
  pending_key_ = -1;
  key_ = key;
  ++edits_;
  if (auto* label = Find<QWidget>(this, QStringLiteral("keyset_key_label")))
    ui::ResourceManager::SetTextKey(label, QLatin1String(kEditingText));
  ShowAssignment(keys_[static_cast<std::size_t>(key)]);
  MarkKeyOnPicture();
}

void CKeySetControlUI::MarkKeyOnPicture() {
  const CVelmoranUSBDevice* panel = panel_.data();
  if (panel == nullptr) return;
  const auto& buttons = panel->KeyButtons();
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i] != nullptr) buttons[i]->setChecked(static_cast<int>(i) == key_);
  }
}

void CKeySetControlUI::ApplyAssignment() {
  if (key_ < 0) return;
  // A type the page cannot show is kept as it is (only the default button changes it).
  if (!enabled_) return;
  ++edits_;
  Store(BuildAssignment().assignment);
}

void CKeySetControlUI::FunctionChanged(int index) {
  if (function_ == nullptr || index < 0 || index >= function_->count()) return;
  const int category = function_->itemData(index).toString().toInt();
  if (pages_ != nullptr && category >= 0 && category < pages_->count())
    pages_->setCurrentIndex(category);
}

void CKeySetControlUI::MacroRepeatModeChanged(int index) {
  const bool macro = ItemOf(Find<QComboBox>(this, QStringLiteral("keyset_macro_combo"))) >= 0;
  if (auto* cycle = Find<QWidget>(this, QStringLiteral("keyset_macro_cycle_layout")))
    cycle->setVisible(macro && index == profiles::kMacroRepeatItem);
}

void CKeySetControlUI::ModifierChecked(int n, bool checked) {
  // Unchecking the chosen option leaves no modifier rather than none of the options.
  SelectModifier(checked ? n : 0);
}

// --- picking the keyboard key ---

void CKeySetControlUI::SetKeyCapture(bool on) {
  if (!on) {
    if (capture_) capture_->Uninstall();
    return;
  }
  if (!capture_) {
    capture_ = std::make_unique<ui::InputCapture>(
        window(), [this](const ui::CapturedInput& input) { OnCaptured(input); });
  }
  capture_->Install(ui::CaptureMask::SingleKey);
}

void CKeySetControlUI::OnCaptured(const ui::CapturedInput& input) {
  const auto* key = std::get_if<profiles::RecordedKey>(&input.input);
  if (key == nullptr || !key->down) return;
  if (const profiles::MacroKey* found = profiles::FindMacroKeyByScanCode(key->scan))
    PickKeyboardRow(static_cast<int>(found->key_row));
}

bool CKeySetControlUI::eventFilter(QObject* watched, QEvent* event) {
  if (watched != keyboard_edit_) return QWidget::eventFilter(watched, event);
  // Keys reaching the edit without a capture running (sent to it directly) pick a key the
  // same way; none of them edits the text or moves the focus.
  if (event->type() == QEvent::ShortcutOverride) {
    event->accept();
    return true;
  }
  if (event->type() == QEvent::KeyRelease) return true;
  if (event->type() != QEvent::KeyPress) return false;
  const auto& key_event = static_cast<const QKeyEvent&>(*event);
  if (key_event.isAutoRepeat()) return true;
  if (const auto scan = ui::ScanCodeOfKeyEvent(key_event)) {
    if (const profiles::MacroKey* found = profiles::FindMacroKeyByScanCode(*scan))
      PickKeyboardRow(static_cast<int>(found->key_row));
  }
  return true;
}

void CKeySetControlUI::PickKeyboardRow(int row) {
  if (key_ < 0 || row < 0 || static_cast<std::size_t>(row) >= profiles::KeyCodeTable().size())
    return;
  ShowKeyboardRow(row);
  ApplyAssignment();
}

// --- device work ---

void CKeySetControlUI::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Refresh();
}

void CKeySetControlUI::Refresh() {
  CVelmoranUSBDevice* panel = panel_.data();
  if (panel == nullptr) return;
  const std::uint64_t edits = edits_;
  panel->RunOnDevice<devices::KeyPageData>(
      "key page read",
      [](devices::DeviceDriver& driver) { return devices::ReadKeyPageData(driver); },
      [this, edits](devices::KeyPageData read) {
        TakeData(read, edits == edits_ && saves_running_ == 0);
      });
}

void CKeySetControlUI::TakeData(const devices::KeyPageData& read, bool show_open_key) {
  if (!read.loaded) return;
  macro_names_ = read.macro_names;
  FillMacroList();
  if (!show_open_key) return;
  keys_ = read.keys;
  if (const int pending = std::exchange(pending_key_, -1); pending >= 0) {
    if (static_cast<std::size_t>(pending) >= keys_.size()) {
      DebugTraceF("key page: key %d is not in the profile's %zu keys\n", pending, keys_.size());
    } else if (IsMouse() && IsOnlyLeftButton(pending)) {
      if (CVelmoranUSBDevice* panel = panel_.data()) panel->Tell(kOnlyLeftButton);
    } else {
      OpenKey(pending);
    }
    return;
  }
  // A value being typed is not overwritten: leaving the field stores it.
  const QWidget* focus = QApplication::focusWidget();
  if (key_ < 0 || (focus != nullptr && isAncestorOf(focus) && focus != keyboard_edit_ &&
                   qobject_cast<const QLineEdit*>(focus) != nullptr)) {
    return;
  }
  // Another profile may lack the key, or leave it the mouse's last left button.
  if (static_cast<std::size_t>(key_) >= keys_.size() || (IsMouse() && IsOnlyLeftButton(key_))) {
    key_ = -1;
    SetEditable(false);
    MarkKeyOnPicture();
    if (auto* label = Find<QWidget>(this, QStringLiteral("keyset_key_label")))
      ui::ResourceManager::SetTextKey(label, QStringLiteral("keyset_pick_key_text"));
    return;
  }
  ShowAssignment(keys_[static_cast<std::size_t>(key_)]);
}

void CKeySetControlUI::Store(const KeyAssignment& assignment) {
  CVelmoranUSBDevice* panel = panel_.data();
  if (panel == nullptr || key_ < 0) return;
  const auto key = static_cast<std::size_t>(key_);
  if (key < keys_.size()) keys_[key].assignment = assignment;
  ++saves_running_;
  const bool started = panel->RunOnDevice<devices::KeyAssignOutcome>(
      "",
      [key, assignment](devices::DeviceDriver& driver) {
        return devices::AssignKey(driver, key, assignment);
      },
      [this](devices::KeyAssignOutcome outcome) {
        --saves_running_;
        if (!outcome.saved || outcome.pushed != devices::DeviceResult::Success) {
          DebugTraceF("key page: assignment stored %d, saved %d, key map sent %d\n",
                      outcome.stored ? 1 : 0, outcome.saved ? 1 : 0,
                      static_cast<int>(outcome.pushed));
          CVelmoranUSBDevice* owner = panel_.data();
          if (outcome.stored && owner != nullptr && owner->IsChannelOpen())
            owner->Tell(kWriteFailed);
        }
        if (saves_running_ == 0 && outcome.data.loaded) {
          keys_ = outcome.data.keys;
          macro_names_ = outcome.data.macro_names;
          FillMacroList();
        }
      });
  if (!started) --saves_running_;
}

}  // namespace norvik::panels
