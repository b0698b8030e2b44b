#include "panels/redio_macro_button.h"

#include <QPainter>

#include "panels/skin_image.h"

namespace norvik::panels {

CRedioMacroButtonUI::CRedioMacroButtonUI(QWidget* parent) : QPushButton(parent) {
  pulse_.setSingleShot(true);
  pulse_.setInterval(kPulsePeriodMs);
  connect(&pulse_, &QTimer::timeout, this, &CRedioMacroButtonUI::PulseStep);
}

void CRedioMacroButtonUI::SetRecordImage(const QString& image) {
  record_image_ = image;
  update();
}

void CRedioMacroButtonUI::StartPulsing() {
  running_ = true;
  pulse_.start();
}

void CRedioMacroButtonUI::StopPulsing() {
  running_ = false;
}

void CRedioMacroButtonUI::PulseStep() {
  pulse_.stop();
  if (!record_image_.isEmpty()) {
    if (fading_down_) {
      fade_ -= kFadeStep;
      if (fade_ <= kFadeLow) {
        fade_ = kFadeLow;
        fading_down_ = false;
      }
    } else {
      fade_ += kFadeStep;
      if (fade_ > kFadeFull - 1) {
        fade_ = kFadeFull;
        fading_down_ = true;
      }
    }
    update();
  }
  if (running_) pulse_.start();
}

void CRedioMacroButtonUI::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  QPainter painter(this);
  DrawSkinImage(painter, rect(), record_image_, static_cast<qreal>(fade_) / kFadeFull);
}

}  // namespace norvik::panels
