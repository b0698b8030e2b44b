#pragma once
// Image buttons of the setting pages. Their drawing and mouse handling come with the pages that
// use them; for now they are the buttons layouts place.

#include <QPushButton>
#include <QString>

namespace norvik::panels {

// Image button with a hand image and a delete mark shown under the mouse ("click_handdelete").
class CHandImgButtonUI : public QPushButton {
  Q_OBJECT
 public:
  explicit CHandImgButtonUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("HandImgButton"); }
};

// Image choice button with a hand image and a cursor attribute.
class CHandImgSelectButtonUI : public QPushButton {
  Q_OBJECT
 public:
  explicit CHandImgSelectButtonUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("HandImgSelectButton"); }
};

// The macro record button whose image pulses while recording.
class CRedioMacroButtonUI : public QPushButton {
  Q_OBJECT
 public:
  explicit CRedioMacroButtonUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("RedioMacroButton"); }
};

}  // namespace norvik::panels
