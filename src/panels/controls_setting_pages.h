#pragma once
// The setting pages of a device panel. Each is a horizontal layout whose children come from its
// layout; their behaviour comes with the pages themselves.

#include <QString>
#include <QWidget>

// Lighting: mode, brightness, speed, colours, direction and custom groups.
#include "panels/light_control.h"
#include "panels/shoot_control.h"  // the recoil pattern page

namespace norvik::panels {

// The macro list, its event rows and recording.
class CMacroControlUI : public QWidget {
  Q_OBJECT
 public:
  explicit CMacroControlUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("MacroControl"); }
};

// The headset's voice effect switch and its four effect options.
class CMagicControlUI : public QWidget {
  Q_OBJECT
 public:
  explicit CMagicControlUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("HorizontalLayoutUI"); }
};

// The headset's equaliser and microphone page.
class CVoice6533ControlUI : public QWidget {
  Q_OBJECT
 public:
  explicit CVoice6533ControlUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("Voice6533Control"); }
};

}  // namespace norvik::panels
