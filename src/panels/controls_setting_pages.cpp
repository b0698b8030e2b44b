#include "panels/controls_setting_pages.h"

namespace norvik::panels {

CMacroControlUI::CMacroControlUI(QWidget* parent) : QWidget(parent) {}
CMagicControlUI::CMagicControlUI(QWidget* parent) : QWidget(parent) {}
CVoice6533ControlUI::CVoice6533ControlUI(QWidget* parent) : QWidget(parent) {}

}  // namespace norvik::panels
