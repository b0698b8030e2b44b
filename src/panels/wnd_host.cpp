#include "panels/wnd_host.h"

#include <QRect>

namespace norvik::panels {

CWndUI::CWndUI(QWidget* parent) : QWidget(parent) {}

void CWndUI::SetHostedWindow(QWidget* window) {
  hosted_ = window;
  Follow();
}

void CWndUI::Follow() {
  QWidget* hosted = hosted_.data();
  if (hosted == nullptr) return;
  const QWidget* host_parent = hosted->parentWidget();
  const QPoint screen_corner = mapToGlobal(QPoint(0, 0));
  QRect area(screen_corner, size());
  if (host_parent != nullptr && host_parent->window() == window()) {
    area.moveTopLeft(host_parent->mapFromGlobal(screen_corner));
  }
  hosted->setGeometry(area);
  // Shown without taking the focus or rising above other windows.
  hosted->setAttribute(Qt::WA_ShowWithoutActivating, true);
  hosted->setVisible(isVisible());
}

void CWndUI::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Follow();
}

void CWndUI::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  Follow();
}

void CWndUI::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  Follow();
}

void CWndUI::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Follow();
}

}  // namespace norvik::panels
