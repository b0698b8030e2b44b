#include "panels/page_interfaces.h"

#include "base/debug_trace.h"

namespace norvik::panels {

NotAvailablePages& NotAvailablePages::Instance() {
  static NotAvailablePages pages;
  return pages;
}

PageSet NotAvailablePages::All() {
  return PageSet{this, this, this, this, this};
}

void NotAvailablePages::Note(const char* page, const char* operation) {
  ++calls_;
  DebugTraceF("%s: %s is not available yet", page, operation);
}

bool NotAvailablePages::IsOnlyLeftButton(int /*key*/) {
  Note("key page", "IsOnlyLeftButton");
  return false;
}

void NotAvailablePages::OpenKey(int /*key*/) {
  Note("key page", "OpenKey");
}

void NotAvailablePages::ApplyAssignment() {
  Note("key page", "ApplyAssignment");
}

void NotAvailablePages::DefaultAssignment() {
  Note("key page", "DefaultAssignment");
}

void NotAvailablePages::CancelEdit() {
  Note("key page", "CancelEdit");
}

void NotAvailablePages::FunctionChanged(int /*index*/) {
  Note("key page", "FunctionChanged");
}

void NotAvailablePages::MacroRepeatModeChanged(int /*index*/) {
  Note("key page", "MacroRepeatModeChanged");
}

void NotAvailablePages::ModifierChecked(int /*n*/, bool /*checked*/) {
  Note("key page", "ModifierChecked");
}

void NotAvailablePages::SetKeyCapture(bool /*on*/) {
  Note("key page", "SetKeyCapture");
}

void NotAvailablePages::PresetColour(int /*n*/) {
  Note("lighting page", "PresetColour");
}

void NotAvailablePages::CustomColourMode(int /*on*/) {
  Note("lighting page", "CustomColourMode");
}

void NotAvailablePages::ModeChanged(int /*index*/) {
  Note("lighting page", "ModeChanged");
}

void NotAvailablePages::CustomModeChanged(int /*index*/) {
  Note("lighting page", "CustomModeChanged");
}

void NotAvailablePages::SecondModeChanged(int /*index*/) {
  Note("lighting page", "SecondModeChanged");
}

void NotAvailablePages::DirectionChanged(int /*left*/) {
  Note("lighting page", "DirectionChanged");
}

void NotAvailablePages::ColourfulChanged(bool /*on*/) {
  Note("lighting page", "ColourfulChanged");
}

void NotAvailablePages::BrightnessChanged(int /*value*/) {
  Note("lighting page", "BrightnessChanged");
}

void NotAvailablePages::SpeedChanged(int /*value*/) {
  Note("lighting page", "SpeedChanged");
}

void NotAvailablePages::ColourComponentEdited(char /*component*/, const QString& /*text*/) {
  Note("lighting page", "ColourComponentEdited");
}

void NotAvailablePages::PaletteColourChanged(QColor /*colour*/) {
  Note("lighting page", "PaletteColourChanged");
}

void NotAvailablePages::SynchroniseDevices() {
  Note("lighting synchroniser", "SynchroniseDevices");
}

void NotAvailablePages::SelectionEnded() {
  Note("lighting page", "SelectionEnded");
}

void NotAvailablePages::GameLighting(int /*form*/, int /*mode*/) {
  Note("lighting synchroniser", "GameLighting");
}

void NotAvailablePages::RestoreAfterGame() {
  Note("lighting synchroniser", "RestoreAfterGame");
}

void NotAvailablePages::StartRecording() {
  Note("macro page", "StartRecording");
}

void NotAvailablePages::StopRecording() {
  Note("macro page", "StopRecording");
}

void NotAvailablePages::AddMacro() {
  Note("macro page", "AddMacro");
}

void NotAvailablePages::DeleteMacro() {
  Note("macro page", "DeleteMacro");
}

void NotAvailablePages::RenameMacro() {
  Note("macro page", "RenameMacro");
}

void NotAvailablePages::SaveMacro() {
  Note("macro page", "SaveMacro");
}

void NotAvailablePages::CancelMacro() {
  Note("macro page", "CancelMacro");
}

void NotAvailablePages::ExportMacro() {
  Note("macro page", "ExportMacro");
}

void NotAvailablePages::ImportMacro() {
  Note("macro page", "ImportMacro");
}

void NotAvailablePages::MoveEvent(Move /*move*/) {
  Note("macro page", "MoveEvent");
}

void NotAvailablePages::DeleteEvent() {
  Note("macro page", "DeleteEvent");
}

void NotAvailablePages::DeleteAllEvents() {
  Note("macro page", "DeleteAllEvents");
}

void NotAvailablePages::InsertCursorKey(bool /*vertical*/, int /*direction*/) {
  Note("macro page", "InsertCursorKey");
}

void NotAvailablePages::MacroSelected(int /*index*/) {
  Note("macro page", "MacroSelected");
}

void NotAvailablePages::OpenActionMenu() {
  Note("macro page", "OpenActionMenu");
}

void NotAvailablePages::SetDelayMode(bool /*before*/, int /*mode*/) {
  Note("macro page", "SetDelayMode");
}

void NotAvailablePages::InsertMouseAction(const QString& /*item*/) {
  Note("macro page", "InsertMouseAction");
}

void NotAvailablePages::SavePattern() {
  Note("shoot page", "SavePattern");
}

void NotAvailablePages::ResetPattern() {
  Note("shoot page", "ResetPattern");
}

void NotAvailablePages::ImportPattern() {
  Note("shoot page", "ImportPattern");
}

void NotAvailablePages::ExportPattern() {
  Note("shoot page", "ExportPattern");
}

void NotAvailablePages::PreviousBullet() {
  Note("shoot page", "PreviousBullet");
}

void NotAvailablePages::NextBullet() {
  Note("shoot page", "NextBullet");
}

void NotAvailablePages::SelectGun(int /*n*/) {
  Note("shoot page", "SelectGun");
}

void NotAvailablePages::SelectBullet(int /*n*/) {
  Note("shoot page", "SelectBullet");
}

void NotAvailablePages::CorrectionToggled(bool /*vertical*/, bool /*on*/) {
  Note("shoot page", "CorrectionToggled");
}

void NotAvailablePages::CommitEdit(char /*which*/) {
  Note("shoot page", "CommitEdit");
}

void NotAvailablePages::SaveCustomEq() {
  Note("headset page", "SaveCustomEq");
}

void NotAvailablePages::DeleteCustomEq() {
  Note("headset page", "DeleteCustomEq");
}

void NotAvailablePages::CustomEqSelected(int /*index*/) {
  Note("headset page", "CustomEqSelected");
}

void NotAvailablePages::VoiceEffect(int /*n*/) {
  Note("headset page", "VoiceEffect");
}

void NotAvailablePages::EqPreset(int /*n*/) {
  Note("headset page", "EqPreset");
}

void NotAvailablePages::EqBand(int /*band*/, int /*value*/) {
  Note("headset page", "EqBand");
}

void NotAvailablePages::VoiceEffectEnabled(bool /*on*/) {
  Note("headset page", "VoiceEffectEnabled");
}

void NotAvailablePages::MicrophoneOn(bool /*on*/) {
  Note("headset page", "MicrophoneOn");
}

void NotAvailablePages::VirtualSurroundOn(bool /*on*/) {
  Note("headset page", "VirtualSurroundOn");
}

void NotAvailablePages::MonitoringOn(bool /*on*/) {
  Note("headset page", "MonitoringOn");
}

void NotAvailablePages::MicrophoneLevel(int /*value*/) {
  Note("headset page", "MicrophoneLevel");
}

void NotAvailablePages::MonitoringLevel(int /*value*/) {
  Note("headset page", "MonitoringLevel");
}

void NotAvailablePages::OpenSettingsWindow(bool /*centred*/) {
  Note("settings window", "OpenSettingsWindow");
}

void NotAvailablePages::ForwardToSettingsWindow(unsigned /*message*/, long long /*wparam*/,
                                                long long /*lparam*/) {
  Note("settings window", "ForwardToSettingsWindow");
}

void NotAvailablePages::RebuildUpdateList() {
  Note("settings window", "RebuildUpdateList");
}

}  // namespace norvik::panels
