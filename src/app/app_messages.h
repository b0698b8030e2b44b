#pragma once
// Window messages, timers and names of the main window, numbered as the rest of the program
// (panels, the windows of the shell, other processes) knows them.

namespace norvik::app {

// The product key: window title, single-instance name, settings and data folder name.
inline constexpr char kProductKey[] = "Norvik_QT-4100";

// Private window messages of the main window.
inline constexpr unsigned kMsgTrayCallback = 1025;
inline constexpr unsigned kMsgKeyCapture = 1054;
inline constexpr unsigned kMsgMenuCommand = 1145;
inline constexpr unsigned kMsgShowProgress = 3072;
inline constexpr unsigned kMsgLanguage = 3089;
inline constexpr unsigned kMsgDeviceArrived = 3090;
inline constexpr unsigned kMsgDeviceGone = 3091;
inline constexpr unsigned kMsgOpenUpdateWindow = 3093;
inline constexpr unsigned kMsgClearUpdateBadge = 3094;
inline constexpr unsigned kMsgDeviceLink = 3331;

// The registered messages. On Windows they get their numbers at run time; here the local
// socket carries them by name, and inside the program they take fixed numbers from the range
// Windows hands out for registered messages.
inline constexpr unsigned kInstanceMessage = 0xC001;
inline constexpr unsigned kMsgChildForward = 0xC002;
inline constexpr unsigned kMsgLightStatusOut = 0xC003;
inline constexpr unsigned kMsgLightStatusIn = 0xC004;
inline constexpr unsigned kMsgWorkToolQuery = 0xC005;
// "Game_Start", "Game_End", "Game_Kill", "Game_Death": wParam the form, lParam a lighting mode.
inline constexpr unsigned kMsgGameStart = 0xC006;
inline constexpr unsigned kMsgGameEnd = 0xC007;
inline constexpr unsigned kMsgGameKill = 0xC008;
inline constexpr unsigned kMsgGameDeath = 0xC009;

// Tray callback parameters (lParam of kMsgTrayCallback).
inline constexpr long kTrayLeftButtonUp = 0x0202;   // WM_LBUTTONUP
inline constexpr long kTrayRightButtonUp = 0x0205;  // WM_RBUTTONUP

// Main window timers (one-shot: each kills itself first).
inline constexpr int kTimerResetDpi = 1011;
inline constexpr int kTimerTrayMenu = 1032;
inline constexpr int kTimerUpdateList = 1033;
inline constexpr int kTimerProfileSwitch = 1055;
inline constexpr int kTimerGameLighting = 1066;
inline constexpr int kTimerStartDelayMs = 100;
inline constexpr int kTimerTrayMenuDelayMs = 10;

// Selector item timers.
inline constexpr int kItemTimerPeriodic = 1000;
inline constexpr int kItemTimerStartUp = 1001;
inline constexpr int kItemTimerSettings = 1002;
inline constexpr int kItemTimerHook3 = 1003;
inline constexpr int kItemTimerHook4 = 1004;
inline constexpr int kItemTimerPower = 1005;
inline constexpr int kItemTimerLinkCheck = 1007;
inline constexpr int kItemStartUpDelayMs = 500;
inline constexpr int kItemLinkDownRetryMs = 3000;
inline constexpr int kItemPeriodicFirstMs = 5;
inline constexpr int kItemPeriodicCableMs = 5;
inline constexpr int kItemPeriodicRadioMs = 500;
inline constexpr int kItemPowerFirstMs = 50;
inline constexpr int kItemPowerRepeatMs = 20000;
inline constexpr int kItemLinkCheckFirstMs = 2000;
inline constexpr int kItemLinkCheckRepeatMs = 3000;

// Window size of the main window.
inline constexpr int kMainWindowWidth = 1500;
inline constexpr int kMainWindowHeight = 970;
// Share of the screen's available area the window may take at start.
inline constexpr double kMainWindowScreenShare = 0.9;
// The smallest size at which every device page stays usable.
inline constexpr int kMainWindowMinWidth = 1120;
inline constexpr int kMainWindowMinHeight = 720;

// Control names the shell uses.
inline constexpr char kDeviceSelectLayout[] = "device_select_layout";
inline constexpr char kDeviceSwitch[] = "device_switch";
inline constexpr char kDevicePowerSwitch[] = "device_power_switch";
inline constexpr char kNoDeviceLink[] = "No_device_Link";
inline constexpr char kSetWndToMain[] = "setwnd_to_main";
inline constexpr char kSelectorGroup[] = "tab_header_device";
inline constexpr char kLanguageCombo[] = "Language_combox_info_main";
inline constexpr char kLightStatusButton[] = "control_light_status";
inline constexpr char kMenuFile[] = "XML/menu.xml";
inline constexpr char kStyleSheetFile[] = "style.qss";

}  // namespace norvik::app
