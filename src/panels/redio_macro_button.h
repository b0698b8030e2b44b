#pragma once
// CRedioMacroButtonUI (class "RedioMacroButton"): the macro record button. While recording its
// "redioimage" pulses: every 50 ms the image's opacity moves by 20 between 255 and 80 (255, 235,
// ..., 95, 80, 100, ..., 240, 255, ...).

#include <QPushButton>
#include <QString>
#include <QTimer>

namespace norvik::panels {

class CRedioMacroButtonUI : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(QString redioimage READ RecordImage WRITE SetRecordImage)
 public:
  static constexpr int kPulsePeriodMs = 50;
  static constexpr int kFadeFull = 255;
  static constexpr int kFadeLow = 80;
  static constexpr int kFadeStep = 20;

  explicit CRedioMacroButtonUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("RedioMacroButton"); }

  const QString& RecordImage() const { return record_image_; }
  void SetRecordImage(const QString& image);

  // Pulsing starts at once; stopping takes effect after the next step.
  void StartPulsing();
  void StopPulsing();
  bool IsPulsing() const { return running_; }
  // One step of the pulse (the timer's tick): the fade moves when there is an image.
  void PulseStep();
  int Fade() const { return fade_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString record_image_;
  QTimer pulse_;
  int fade_ = kFadeFull;
  bool fading_down_ = true;
  bool running_ = false;
};

}  // namespace norvik::panels
