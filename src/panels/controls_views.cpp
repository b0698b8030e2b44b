#include "panels/controls_views.h"

namespace norvik::panels {

CCircleProgressUI::CCircleProgressUI(QWidget* parent) : QProgressBar(parent) {}
CChartViewUI::CChartViewUI(QWidget* parent) : QWidget(parent) {}
CWndUI::CWndUI(QWidget* parent) : QWidget(parent) {}

}  // namespace norvik::panels
