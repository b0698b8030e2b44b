#include "panels/controls_buttons.h"

namespace norvik::panels {

CHandImgButtonUI::CHandImgButtonUI(QWidget* parent) : QPushButton(parent) {}
CHandImgSelectButtonUI::CHandImgSelectButtonUI(QWidget* parent) : QPushButton(parent) {}
CRedioMacroButtonUI::CRedioMacroButtonUI(QWidget* parent) : QPushButton(parent) {}

}  // namespace norvik::panels
