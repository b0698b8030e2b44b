#include "panels/controls_lists.h"

namespace norvik::panels {

CCloudShareListItemUI::CCloudShareListItemUI(QWidget* parent) : QWidget(parent) {}
CComboEditContainerElementUI::CComboEditContainerElementUI(QWidget* parent) : QWidget(parent) {}

}  // namespace norvik::panels
