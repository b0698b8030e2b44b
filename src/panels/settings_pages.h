#pragma once
// The settings pages of a device panel (the keyboard's system page, the mouse's DPI and system
// pages): filled from the values the panel holds, with the controls' ranges, their input rules
// and the value shown beside each slider. The pages are found by control name below root, so a
// panel without a page simply has nothing to fill.

#include <QString>
#include <QWidget>

#include "devices/settings_values.h"

namespace norvik::panels {

// DPI per slider unit when the device did not report it yet.
inline constexpr int kDpiFallbackStep = 50;

// Once, after the pages were built: validators of the edits, the slider value labels.
void PrepareSettingsPages(QWidget* root);
// Every control of the pages shows values; nothing notifies.
void FillSettingsPages(QWidget* root, const devices::SettingsValues& values);

// The DPI step of the values (DPI per slider unit).
int DpiStep(const devices::SettingsValues& values);

// The text beside a slider: the value with its unit where it has one.
QString SliderValueText(const QString& slider_name, int value);

}  // namespace norvik::panels
