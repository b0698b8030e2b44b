#include "panels/settings_pages.h"

#include <QAbstractButton>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include "ui/ui_types.h"

namespace norvik::panels {
namespace {

using ui::IndexedName;

using devices::kDpiStageCount;

// The DPI step an edit's slider uses (set with the values).
constexpr char kDpiStepProperty[] = "dpistep";

// Each slider that shows its value in a label beside it.
struct ValueLabel {
  const char* slider;
  const char* label;
};
constexpr ValueLabel kValueLabels[] = {
    {"repeat_rate_slider", "repeat_rate_value"},
    {"pointer_speed_slider", "pointer_speed_value"},
    {"double_click_slider", "double_click_value"},
    {"scroll_speed_slider", "scroll_speed_value"},
};

template <class T>
T* Find(QWidget* root, const QString& name) {
  return root->findChild<T*>(name);
}

void SetSlider(QWidget* root, const QString& name, int value, int low = -1, int high = -1) {
  auto* slider = Find<QSlider>(root, name);
  if (slider == nullptr) return;
  const QSignalBlocker silent(slider);
  if (low >= 0 && high >= low) slider->setRange(low, high);
  // The user's own drag is not pulled back while it lasts.
  if (!slider->isSliderDown()) slider->setValue(value);
  for (const ValueLabel& row : kValueLabels) {
    if (name == QLatin1String(row.slider)) {
      if (auto* label = Find<QLabel>(root, QLatin1String(row.label)))
        label->setText(SliderValueText(name, slider->value()));
    }
  }
}

void SetChecked(QWidget* root, const QString& name, bool on) {
  auto* button = Find<QAbstractButton>(root, name);
  if (button == nullptr) return;
  const QSignalBlocker silent(button);
  button->setChecked(on);
}

void SetEditNumber(QWidget* root, const QString& name, int value, int highest) {
  auto* edit = Find<QLineEdit>(root, name);
  if (edit == nullptr) return;
  const QSignalBlocker silent(edit);
  if (auto* validator =
          const_cast<QIntValidator*>(qobject_cast<const QIntValidator*>(edit->validator()))) {
    validator->setRange(0, highest);
  }
  // An edit being typed into keeps what the user typed until it loses the focus.
  if (!edit->hasFocus()) edit->setText(QString::number(value));
}

void FillKeyboard(QWidget* root, const profiles::KeyboardSystem& system) {
  for (int i = 0; i < devices::kRepeatDelayOptionCount; ++i)
    SetChecked(root, IndexedName("repeat_delay_check_", i), system.RepeatDelay == i);
  for (int i = 0; i < devices::kPollingRateOptionCount; ++i)
    SetChecked(root, IndexedName("polling_rate_option_", i), system.PollingRate == i);
  SetSlider(root, QStringLiteral("repeat_rate_slider"), system.Repeat, 0, devices::kRepeatRateMax);
  SetChecked(root, QStringLiteral("winlockflag_option"), system.WinFlag != 0);
  SetChecked(root, QStringLiteral("wflag_option"), system.WFlag != 0);
  SetChecked(root, QStringLiteral("6flag_option"), system.Key6Flag != 0);
}

void FillMouse(QWidget* root, const devices::MouseSettingsValues& mouse, int step) {
  const int slider_max =
      mouse.ranges.slider_max > 0 ? mouse.ranges.slider_max : devices::kDpiFallbackMax / step;
  const int edit_max = mouse.ranges.edit_max > 0 ? mouse.ranges.edit_max : slider_max * step;
  for (std::size_t i = 0; i < kDpiStageCount; ++i) {
    const bool present = i < mouse.stages.size();
    for (const char* prefix :
         {"DPI_enable_check_", "mouse_device_seting_option_", "DPI_slider_", "DPI_edit_"}) {
      if (QWidget* control = Find<QWidget>(root, IndexedName(prefix, i)))
        control->setEnabled(present);
    }
    if (!present) continue;
    const profiles::DpiStage& stage = mouse.stages[i];
    SetChecked(root, IndexedName("DPI_enable_check_", i), stage.StageActive != 0);
    SetChecked(root, IndexedName("mouse_device_seting_option_", i),
               static_cast<int>(i) == mouse.active_stage);
    SetSlider(root, IndexedName("DPI_slider_", i), stage.StageDPIX / step, 0, slider_max);
    SetEditNumber(root, IndexedName("DPI_edit_", i), stage.StageDPIX, edit_max);
  }
  const profiles::MouseSystem& system = mouse.system;
  for (int i = 0; i < devices::kPollingRateOptionCount; ++i)
    SetChecked(root, IndexedName("polling_rate_option_", i), system.ReportStage == i);
  SetSlider(root, QStringLiteral("pointer_speed_slider"), system.MouseSpeed,
            devices::kPointerSpeedMin, devices::kPointerSpeedMax);
  SetSlider(root, QStringLiteral("scroll_speed_slider"), system.WheelScorlllinse,
            devices::kScrollLinesMin, devices::kScrollLinesMax);
  SetSlider(root, QStringLiteral("double_click_slider"), system.DoubleClickTime,
            devices::kDoubleClickMinMs, devices::kDoubleClickMaxMs);
  SetChecked(root, QStringLiteral("pointer_precision_check"), system.PointerPrecision != 0);
  SetChecked(root, QStringLiteral("scrolls_page_check"), system.ScorllPage != 0);
}

}  // namespace

int DpiStep(const devices::SettingsValues& values) {
  if (values.mouse && values.mouse->ranges.step > 0) return values.mouse->ranges.step;
  return kDpiFallbackStep;
}

QString SliderValueText(const QString& slider_name, int value) {
  if (slider_name == QLatin1String("double_click_slider"))
    return QStringLiteral("%1 ms").arg(value);
  return QString::number(value);
}

void PrepareSettingsPages(QWidget* root) {
  for (std::size_t i = 0; i < kDpiStageCount; ++i) {
    if (auto* edit = Find<QLineEdit>(root, IndexedName("DPI_edit_", i)))
      edit->setValidator(new QIntValidator(0, devices::kDpiFallbackMax, edit));
    auto* slider = Find<QSlider>(root, IndexedName("DPI_slider_", i));
    auto* edit = Find<QLineEdit>(root, IndexedName("DPI_edit_", i));
    if (slider == nullptr || edit == nullptr) continue;
    // While dragged, the edit shows the DPI the slider stands on.
    QObject::connect(slider, &QSlider::sliderMoved, edit, [edit](int value) {
      const int step = edit->property(kDpiStepProperty).toInt();
      edit->setText(QString::number(value * (step > 0 ? step : kDpiFallbackStep)));
    });
  }
  for (const ValueLabel& row : kValueLabels) {
    auto* slider = Find<QSlider>(root, QLatin1String(row.slider));
    auto* label = Find<QLabel>(root, QLatin1String(row.label));
    if (slider == nullptr || label == nullptr) continue;
    const QString name = slider->objectName();
    label->setText(SliderValueText(name, slider->value()));
    QObject::connect(slider, &QSlider::valueChanged, label,
                     [label, name](int value) { label->setText(SliderValueText(name, value)); });
  }
}

void FillSettingsPages(QWidget* root, const devices::SettingsValues& values) {
  if (root == nullptr) return;
  if (values.keyboard) FillKeyboard(root, *values.keyboard);
  if (values.mouse) {
    const int step = DpiStep(values);
    for (std::size_t i = 0; i < kDpiStageCount; ++i) {
      if (auto* edit = Find<QLineEdit>(root, IndexedName("DPI_edit_", i)))
        edit->setProperty(kDpiStepProperty, step);
    }
    FillMouse(root, *values.mouse, step);
  }
}

}  // namespace norvik::panels
