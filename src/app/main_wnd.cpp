#include "app/main_wnd.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyle>
#include <QThread>
#include <algorithm>
#include <limits>

#include "app/about_wnd.h"
#include "app/access_banner.h"
#include "app/app_messages.h"
#include "app/device_events_bridge.h"
#include "app/emulator_session.h"
#include "app/instance_channel.h"
#include "app/language.h"
#include "app/lighting_sync_controller.h"
#include "app/lighting_sync_thread.h"
#include "app/main_routes.h"
#include "app/msg_wnd.h"
#include "app/notify_router.h"
#include "app/profile_folder_watch.h"
#include "app/settings_window_host.h"
#include "app/sleep_watch.h"
#include "app/worktool.h"
#include "base/debug_trace.h"
#include "devices/audio_bridge.h"
#include "devices/device_driver.h"
#include "panels/control_registry.h"
#include "panels/device_option.h"
#include "panels/device_profile_panel.h"
#include "profiles/recovery_report.h"
#include "ui/dialog_builder.h"
#include "ui/resource_manager.h"
#include "update/update_query.h"

namespace norvik::app {

namespace {

constexpr char kStartLanguageFile[] = "lan_cn.xml";

// A game message's form or mode; a number no int holds counts as -1 (refused by the game
// lighting rather than cut down to a different value).
int GameNumber(long value) {
  return value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()
             ? -1
             : static_cast<int>(value);
}
constexpr char kRecoveryTextKey[] = "message_files_recovered";
constexpr char kLightOnTextKey[] = "control_light_on_text";
constexpr char kLightOffTextKey[] = "control_light_off_text";
constexpr char kSettingProgress[] = "setting_progress";
constexpr char kSetButton[] = "setbtn";
constexpr char kSkinButton[] = "skinbtn";
constexpr char kMenuButton[] = "menubtn";
constexpr char kDeviceSelect[] = "device_select";
constexpr char kLogoImage[] = "common/logo.png";

bool NameIs(const QString& name, const char* wanted) {
  return name.compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0;
}

devices::DeviceSetOptions MakeSetOptions(const MainWndEnvironment& env) {
  devices::DeviceSetOptions options;
  options.folders.user_root = env.user_folder;
  options.folders.program_folder = env.program_folder;
  if (!env.audio_folder.empty())
    options.audio_library = devices::AudioLibraryPath(env.audio_folder);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    options.screen.width = screen->size().width();
    options.screen.height = screen->size().height();
  }
  return options;
}

// Damaged files found while a device's profile was loaded were kept aside and rebuilt: the user
// hears of it once (the details are in the trace).
void ShowRecoveryNotice(QWidget* window) {
  if (profiles::TakeRecoveryNotes().empty()) return;
  ShowNotice(window, QString::fromLatin1(kRecoveryTextKey), kDefaultDpi);
}

}  // namespace

CMainWnd::CMainWnd(MainWndEnvironment environment, QWidget* parent)
    : ui::WindowImplBase(parent),
      env_(std::move(environment)),
      selector_(*this, DeviceSelector::Hooks{[this] { CloseChildWindows(); },
                                             [this] {
                                               bool handled = false;
                                               HandleCustomMessage(kMsgKeyCapture, 0, 0, handled);
                                             }}),
      language_(std::make_unique<LanguageController>(
          env_.program_folder / devices::kDefaultDataFolderName, env_.settings)),
      routes_(std::make_unique<MainRouteTarget>(*this)),
      latest_copy_(hid::MakeHidInterfaceCopy()) {
  setWindowTitle(QString::fromLatin1(kProductKey));
  // The settings and update window: opened, fed and closed through this host.
  SettingsWindowHost::Environment host;
  host.main = this;
  host.language = language_.get();
  host.update_base_url = env_.update_base_url.empty() ? std::string(update::DefaultUpdateBaseUrl())
                                                      : env_.update_base_url;
  host.app_folder = env_.user_folder;
  host.present_targets = [this] { return PresentUpdateTargets(set_.get(), env_.backend); };
  settings_ = std::make_unique<SettingsWindowHost>(std::move(host));
}

QSize CMainWnd::StartSize(const QSize& available) {
  QSize size(kMainWindowWidth, kMainWindowHeight);
  if (available.isValid()) {
    const QSize room(static_cast<int>(available.width() * kMainWindowScreenShare),
                     static_cast<int>(available.height() * kMainWindowScreenShare));
    // Shrunk as a whole (the pages keep their proportions), never below the minimum.
    if (size.width() > room.width() || size.height() > room.height())
      size.scale(room, Qt::KeepAspectRatio);
  }
  return size.expandedTo(QSize(kMainWindowMinWidth, kMainWindowMinHeight));
}

void CMainWnd::ShowRecoveryNotes() {
  ShowRecoveryNotice(this);
}

SettingsWindowHost& CMainWnd::SettingsWindow() {
  return *settings_;
}

CMainWnd::~CMainWnd() {
  SkinObserver::Instance().RemoveReceiver(this);
  StopThreads();
  // The panels are children of this widget and go after these members; they must not reach
  // the drivers the device set owns.
  ForEachPanel([](panels::CVelmoranUSBDevice& panel) { panel.SetDriver(nullptr); });
  routes_->SetLightingSync(nullptr);
  lighting_.reset();
  sync_.reset();
  watcher_.reset();
  set_.reset();
  events_.reset();
}

QWidget* CMainWnd::CreateControl(const QString& class_name, QWidget* parent) {
  return panels::CreateControlByTag(class_name, parent);
}

void CMainWnd::InitWindow() {
  DebugTrace("InitWindow");
  // Resizable, unlike the shell's small windows that keep their layout's size.
  setMinimumSize(kMainWindowMinWidth, kMainWindowMinHeight);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  const QScreen* screen = QGuiApplication::primaryScreen();
  resize(StartSize(screen != nullptr ? screen->availableGeometry().size() : QSize()));
  // The title is the product key, whatever the layout's title text says in a language.
  setProperty(ui::kWindowTitleKeyProperty, QVariant());
  setWindowTitle(QString::fromLatin1(kProductKey));
  ui::ResourceManager::Instance().LoadLanguage(kStartLanguageFile);
  SkinObserver::Instance().AddReceiver(this);
  const QPixmap logo = ui::ResourceManager::Instance().Image(kLogoImage);
  if (!logo.isNull()) setWindowIcon(QIcon(logo));
  if (QWidget* menu_button = FindControl(kMenuButton)) menu_button->setVisible(env_.emulator);
  if (env_.use_tray) CreateTray();
  if (env_.watch_sleep) {
    sleep_watch_ = std::make_unique<SleepWatch>([this](bool start) {
      PostMessage(kMsgPowerBroadcast,
                  static_cast<ui::WPARAM>(start ? kPowerSuspend : kPowerResume));
    });
  }
}

// --- window-init ---

void CMainWnd::WindowInit() {
  if (initialised_) return;
  if (env_.channel) {
    env_.channel->SetMessageHandler([this](const ChannelMessage& message) {
      PostMessage(message.message, static_cast<ui::WPARAM>(message.wparam),
                  static_cast<ui::LPARAM>(message.lparam));
    });
    env_.channel->SetWorkToolAnswer([] {
      const auto buffer = BuildWorkToolBuffer();
      return QByteArray(reinterpret_cast<const char*>(buffer.data()),
                        static_cast<qsizetype>(buffer.size()));
    });
    env_.channel->BroadcastLightStatus(1, 1);
  }

  ApplyLanguage(language_->ReadStoredLanguageIndex());
  if (auto* combo = FindControlAs<QComboBox>(kLanguageCombo)) language_->FillLanguageList(combo);
  ApplyLightStatusText();

  BuildProducts();
  hide();
  StartThreads();
  Timers().SetTimer(this, kTimerResetDpi, kTimerStartDelayMs);
  Timers().SetTimer(this, kTimerUpdateList, kTimerStartDelayMs);
  initialised_ = true;
}

void CMainWnd::BuildProducts() {
  set_ = std::make_unique<devices::DeviceSet>(*env_.backend, MakeSetOptions(env_));
  DeviceEventsBridge::Handlers handlers;
  handlers.sync_request = [this](int product, int delay_ms) {
    StartItemTimer(static_cast<std::size_t>(product), kItemTimerSettings, delay_ms);
  };
  handlers.status = [this](int product, const devices::PowerStatus& status) {
    panels::CMpDevicePowerUI* power = selector_.At(static_cast<std::size_t>(product)).power;
    if (power != nullptr) power->SetStatus(status);
  };
  handlers.repaint = [this](int product) {
    const panels::CDeviceOptionUI* item = selector_.At(static_cast<std::size_t>(product)).item;
    QWidget* display = item != nullptr ? item->DisplayControl() : nullptr;
    if (display != nullptr && item->IsSelected()) display->update();
  };
  handlers.link_changed = [this](int product, bool) {
    StartItemTimer(static_cast<std::size_t>(product), kItemTimerLinkCheck, 0);
  };
  events_ = std::make_unique<DeviceEventsBridge>(
      this,
      [this](devices::DeviceDriver& driver) {
        if (!set_) return -1;
        for (std::size_t i = 0; i < kProducts.size(); ++i) {
          if (&set_->Driver(kProducts[i].slot) == &driver) return static_cast<int>(i);
        }
        return -1;
      },
      std::move(handlers));
  set_->SetEvents(events_.get());
  set_->SetPresenceCallback(
      [this](devices::DeviceSlot slot, bool shown) { OnPresence(slot, shown); });

  const hid::HidInterfaceCopy copy = hid::MakeHidInterfaceCopy();
  for (std::size_t i = 0; i < kProducts.size(); ++i) {
    const auto start = std::chrono::steady_clock::now();
    BuildProduct(i, copy);
    DebugTraceF("product %s built in %lld ms", kProducts[i].type_name,
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - start)
                                           .count()));
  }
  selector_.UpdateNoDevicePage();
}

void CMainWnd::BuildProduct(std::size_t index, const hid::HidInterfaceCopy& copy) {
  const ProductRow& product = kProducts[index];
  const auto row = FindInterfaceRow(product, copy);
  if (!row) return;
  // Built unparented; what cannot be used is dropped with its owner here.
  std::unique_ptr<QWidget> power_widget(ui::BuildLayout(kPowerIndicatorLayout, this, nullptr));
  std::unique_ptr<QWidget> panel_widget(ui::BuildLayout(product.layout, this, nullptr));
  std::unique_ptr<QWidget> item_widget(ui::BuildLayout(kSelectorItemLayout, this, nullptr));
  auto* power = qobject_cast<panels::CMpDevicePowerUI*>(power_widget.get());
  auto* panel = qobject_cast<panels::CVelmoranUSBDevice*>(panel_widget.get());
  auto* item = qobject_cast<panels::CDeviceOptionUI*>(item_widget.get());
  auto* power_stack = FindControlAs<QStackedWidget>(kDevicePowerSwitch);
  auto* device_stack = FindControlAs<QStackedWidget>(kDeviceSwitch);
  QWidget* select_layout = FindControl(kDeviceSelectLayout);
  if (!power || !panel || !item || !power_stack || !device_stack || !select_layout ||
      !select_layout->layout()) {
    DebugTraceF("product %s: layouts could not be built", product.type_name);
    return;
  }
  const int power_page = power_stack->addWidget(power_widget.release());
  power->SetKind(static_cast<int>(product.kind), static_cast<int>(product.role));
  // Nothing to show until the device reported a status (products without power never do).
  power->Show(false);

  panel->SetLayoutFile(QString::fromLatin1(product.layout));
  panel->SetMainWindow(this);
  panel->SetLightCount(product.lights);
  panel->SetKeyCount(product.keys);
  panel->SetProductIndex(static_cast<int>(index));
  panel->SetFlag(product.flag);
  panel->SetProfilePath(QString());
  panel->SetTypeName(QString::fromLatin1(product.type_name));
  panel->SetPowerIndicator(power);
  panel->SetIdentity(copy[*row].row);
  panel->SetVariant(product.variant);
  panel->SetLightConfigName(QString::fromLatin1(kLightConfigName));
  panel->SetDriver(&set_->Driver(product.slot));
  panel->Initialise();
  panel->SetEditReportHandler([this](const panels::EditReport& report) {
    if (!report.saved) {
      ShowMessage(this, QString(), QStringLiteral("message_profile_not_saved"), kDefaultDpi, true,
                  kMsgButtonsConfirm);
    } else {
      routes_->ReportPush(report.push_code);
    }
  });
  const int page = device_stack->addWidget(panel_widget.release());

  select_layout->layout()->addWidget(item_widget.release());
  item->ShowSynchroOption(false);
  item->SetGroup(QString::fromLatin1(kSelectorGroup));
  item->BindPage(QString::fromLatin1(kDeviceSwitch), page);
  item->SetPowerPage(QString::fromLatin1(kDevicePowerSwitch), power_page);
  item->SetKindAndRole(static_cast<int>(product.kind), static_cast<int>(product.role));
  item->SetVisible(false);
  item->SetName(QString::fromLatin1(product.type_name));
  panel->SetSelectorItem(item);
  item->SetDevice(panel);
  item->SetPowerIndicator(power);
  item->SetDisplayControl(panel->DisplayControl());
  item->SetTimerHandler(
      [this, index](panels::CDeviceOptionUI&, int id) { OnItemTimer(index, id); });

  Pump().Watch(power);
  Pump().Watch(panel);
  Pump().Watch(item);
  selector_.Set(index, ProductWidgets{panel, item, power});
}

// --- threads ---

void CMainWnd::StartThreads() {
  devices::WatcherOptions options;
  if (env_.watch_device_nodes) options.device_node_folder = "/dev";
  watcher_ = std::make_unique<devices::DeviceWatcher>(*env_.backend, options);
  // The watcher waits for the UI thread to handle each row (SendMessage), so rows are matched
  // one after the other; after BeginClosing the send returns at once.
  auto forward = [this](unsigned message) {
    return [this, message](std::size_t row, const hid::HidInterfaceCopy& copy) {
      {
        std::lock_guard lock(copy_mutex_);
        latest_copy_ = copy;
      }
      SendMessage(message, static_cast<ui::WPARAM>(row));
    };
  };
  watcher_->SetArrivalCallback(forward(kMsgDeviceArrived));
  watcher_->SetRemovalCallback(forward(kMsgDeviceGone));
  watcher_->SetFirstScanCallback([this] { PostMessage(kInstanceMessage, 0, 0); });
  access_banner_ = new AccessBanner(this, env_.program_folder);
  // The banner is a child of the window and outlives the watcher (stopped first).
  watcher_->SetDeniedCallback(
      [banner = access_banner_](const std::vector<devices::DeniedDevice>& denied) {
        banner->Post(denied);
      });
  if (env_.emulator) {
    devices::DeviceWatcher* watcher = watcher_.get();
    env_.emulator->Bus().SetChangeCallback([watcher] { watcher->Poke(); });
  }
  watcher_->Start();

  std::vector<devices::DeviceDriver*> drivers;
  for (const devices::DeviceSlot slot : devices::kAllDeviceSlots)
    drivers.push_back(&set_->Driver(slot));
  sync_ = std::make_unique<LightingSyncThread>(std::move(drivers));
  sync_->Start();
  MakeLightingSync();

  std::vector<std::string> names;
  for (const devices::DeviceSlot slot : devices::kAllDeviceSlots)
    names.push_back(set_->Driver(slot).DeviceName());
  profile_watch_ = std::make_unique<ProfileFolderWatch>(
      env_.user_folder, std::move(names),
      [this](const std::vector<std::string>& changed) { OnProfileFoldersChanged(changed); });
}

void CMainWnd::MakeLightingSync() {
  LightingSyncController::Environment environment;
  environment.panels = [this] {
    std::vector<panels::CVelmoranUSBDevice*> panels;
    ForEachPanel([&panels](panels::CVelmoranUSBDevice& panel) { panels.push_back(&panel); });
    return panels;
  };
  environment.selected = [this] { return selector_.SelectedPanel(); };
  environment.thread = sync_.get();
  environment.start_restore_timer = [this] {
    Timers().SetTimer(this, kTimerGameLighting, kGameLightingRestoreMs);
  };
  lighting_ = std::make_unique<LightingSyncController>(std::move(environment));
  routes_->SetLightingSync(lighting_.get());
}

void CMainWnd::StopThreads() {
  if (threads_stopped_) return;
  threads_stopped_ = true;
  const auto start = std::chrono::steady_clock::now();
  if (lighting_) lighting_->RestoreBeforeExit(kThreadStopBound);
  hide();
  // Senders waiting on the UI thread (the watcher) are let go before the threads are joined.
  BeginClosing();
  Timers().KillTimers(this);
  for (std::size_t i = 0; i < selector_.Size(); ++i) {
    if (panels::CDeviceOptionUI* item = selector_.At(i).item) Timers().KillTimers(item);
  }
  if (env_.emulator) env_.emulator->Bus().SetChangeCallback({});
  profile_watch_.reset();
  if (watcher_) watcher_->Stop(kThreadStopBound);
  if (sync_) sync_->Stop(kThreadStopBound);
  // The device workers use the drivers the device set is about to close.
  ForEachPanel([](panels::CVelmoranUSBDevice& panel) { panel.StopDeviceWork(); });
  if (set_) {
    set_->SetEvents(nullptr);
    set_->Shutdown();
  }
  last_stop_ = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  DebugTraceF("threads stopped in %lld ms", static_cast<long long>(last_stop_.count()));
}

void CMainWnd::ExitProgram() {
  if (exited_) return;
  exited_ = true;
  DebugTrace("退出测试 (program exits)");
  CloseChildWindows();
  StopThreads();
  if (tray_) tray_->hide();
  hide();
  if (on_exit_) on_exit_();
}

// --- tray ---

void CMainWnd::CreateTray() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  tray_ = new QSystemTrayIcon(windowIcon(), this);
  tray_->setToolTip(QString::fromLatin1(kProductKey));
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
    if (r == QSystemTrayIcon::Trigger) PostMessage(kMsgTrayCallback, 0, kTrayLeftButtonUp);
    if (r == QSystemTrayIcon::Context) PostMessage(kMsgTrayCallback, 0, kTrayRightButtonUp);
  });
  tray_->show();
}

void CMainWnd::OpenTrayMenu() {
  if (tray_menu_) tray_menu_->deleteLater();
  tray_menu_ =
      ui::BuildMenu(QString::fromLatin1(kMenuFile), this, [this](const ui::MenuCommand& command) {
        ui::MenuCommand copy = command;
        bool handled = false;
        HandleCustomMessage(kMsgMenuCommand, 0, reinterpret_cast<ui::LPARAM>(&copy), handled);
      });
  if (!tray_menu_) return;
  if (env_.emulator) {
    QMenu* sub = env_.emulator->BuildMenu(tray_menu_, [this](const QString& name, bool checked) {
      HandleMenuCommand(ui::MenuCommand{name, QString(), QString(), checked});
    });
    tray_menu_->insertMenu(tray_menu_->actions().value(0), sub);
  }
  tray_menu_->popup(QCursor::pos());
}

void CMainWnd::ToggleFromTray() {
  selector_.UpdateNoDevicePage();
  CloseChildWindows();
  if (isVisible() && !isMinimized()) {
    hide();
    return;
  }
  showNormal();
  raise();
  activateWindow();
  update();
}

// --- notifications ---

void CMainWnd::Notify(ui::TNotifyUI& msg) {
  const QString name = msg.SenderName();
  if (msg.type != QLatin1String(ui::kNotifyTimer)) {
    DebugTraceF("notify %s %s", msg.type.toUtf8().constData(), name.toUtf8().constData());
  }
  if (msg.type == QLatin1String(ui::kNotifyWindowInit)) {
    WindowInit();
  } else {
    RouteArgs args;
    args.type = msg.type;
    args.name = name;
    args.sender = msg.sender;
    args.wparam = msg.wParam;
    if (const auto* edit = qobject_cast<const QLineEdit*>(msg.sender.data()))
      args.text = edit->text();
    const bool routed = RouteNotification(*routes_, std::move(args));
    if (!routed && msg.type == QLatin1String(ui::kNotifyClick)) OnClick(msg);
  }
  ui::WindowImplBase::Notify(msg);
}

void CMainWnd::ToggleLightStatus() {
  const int status = light_status_ == 1 ? 0 : 1;
  if (env_.channel) env_.channel->BroadcastLightStatus(1, status);
  SetLightControlStatus(status);
}

// The clicks the routing table does not name: the emulator's menu button.
void CMainWnd::OnClick(ui::TNotifyUI& msg) {
  if (!NameIs(msg.SenderName(), kMenuButton) || !env_.emulator) return;
  if (!emulated_menu_) {
    emulated_menu_ = env_.emulator->BuildMenu(this, [this](const QString& item, bool checked) {
      HandleMenuCommand(ui::MenuCommand{item, QString(), QString(), checked});
    });
  }
  QWidget* button = msg.sender;
  emulated_menu_->popup(button ? button->mapToGlobal(QPoint(0, button->height())) : QCursor::pos());
}

void CMainWnd::OnCloseButton() {
  CloseChildWindows();
  if (tray_) {
    hide();  // it stays in the tray
  } else {
    ExitProgram();  // nothing could bring a hidden window back
  }
}

void CMainWnd::closeEvent(QCloseEvent* event) {
  if (!exited_ && tray_) {
    CloseChildWindows();
    hide();
    event->ignore();
    return;
  }
  ExitProgram();
  event->accept();
}

void CMainWnd::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange) SetActive(isActiveWindow() ? 1 : 0);
  if (event->type() == QEvent::WindowStateChange) UpdateMaximiseButtons();
  ui::WindowImplBase::changeEvent(event);
}

void CMainWnd::UpdateMaximiseButtons() {
  const bool maximised = isMaximized();
  if (QWidget* button = FindControl(QStringLiteral("maxbtn"))) button->setVisible(!maximised);
  if (QWidget* button = FindControl(QStringLiteral("restorebtn"))) button->setVisible(maximised);
}

void CMainWnd::OpenSkinFrame() {
  if (skin_frame_) {
    skin_frame_->close();
    return;
  }
  auto* frame = new CSkinFrame(this, FindControl(kSkinButton), env_.user_folder);
  skin_frame_ = frame;
  frame->Open();
}

void CMainWnd::HandleMenuCommand(const ui::MenuCommand& command) {
  const QString& name = command.name;
  if (NameIs(name, "exit")) {
    CloseChildWindows();
    ExitProgram();
  } else if (NameIs(name, "about_menu")) {
    OpenAboutWindow(this, about_);
  } else if (NameIs(name, "setwnd_menu")) {
    SettingsWindow().OpenSettingsWindow(true);
  } else if (env_.emulator) {
    env_.emulator->ApplyMenuItem(name, command.checked);
  }
}

// --- window messages ---

ui::LRESULT CMainWnd::HandleCustomMessage(unsigned msg, ui::WPARAM wParam, ui::LPARAM lParam,
                                          bool& handled) {
  // Rows that apply even while the system sleeps.
  switch (msg) {
    case kMsgPowerBroadcast:
      handled = true;
      if (static_cast<long>(wParam) == kPowerSuspend) {
        suspended_ = true;
        ForEachPanel([](panels::CVelmoranUSBDevice& panel) { panel.SetLightControlStatus(0); });
      } else if (static_cast<long>(wParam) == kPowerResume) {
        suspended_ = false;
        const int status = light_status_;
        ForEachPanel(
            [status](panels::CVelmoranUSBDevice& panel) { panel.SetLightControlStatus(status); });
      }
      return 0;
    case kInstanceMessage:
      DebugTraceF("软件标示 (instance message) %u, %lx%lx", msg, static_cast<unsigned long>(wParam),
                  static_cast<unsigned long>(lParam));
      BringToFront();
      handled = true;
      return 0;
    case kMsgChildForward:
      SettingsWindow().ForwardToSettingsWindow(msg, static_cast<long long>(wParam),
                                               static_cast<long long>(lParam));
      handled = true;
      return 0;
    case kMsgLightStatusIn:
      if (wParam == 1) {
        if (lParam == 0 || lParam == 1) {
          light_status_ = static_cast<int>(lParam);
          ApplyLightStatusText();
        }
        SetLightControlStatus(light_status_);
      }
      handled = true;
      return 0;
    case kMsgWorkToolQuery:
      handled = true;  // answered on the socket that asked
      return 0;
    default:
      break;
  }
  if (suspended_) return 0;

  switch (msg) {
    case kMsgTrayCallback:
      if (lParam == kTrayLeftButtonUp) ToggleFromTray();
      if (lParam == kTrayRightButtonUp)
        Timers().SetTimer(this, kTimerTrayMenu, kTimerTrayMenuDelayMs);
      handled = true;
      return 0;
    case kMsgGameStart:
    case kMsgGameEnd:
    case kMsgGameKill:
    case kMsgGameDeath:
      routes_->LightingSync().GameLighting(GameNumber(static_cast<long>(wParam)),
                                           GameNumber(static_cast<long>(lParam)));
      handled = true;
      return 0;
    case kMsgKeyCapture:
      // The key page of the selected device captures; every other one stops.
      key_capture_ = wParam != 0;
      ForEachPanel([this](panels::CVelmoranUSBDevice& panel) {
        const int kind = panel.Kind();
        if (kind != 1 && kind != 2 && kind != 6 && kind != 9) return;
        panel.Pages().keys->SetKeyCapture(key_capture_ && &panel == SelectedDevicePanel());
      });
      // A save during the capture locks the device selector (the captured key belongs to this
      // device); the capture's end releases it, whether or not another save follows.
      if (!key_capture_) {
        if (QWidget* layout = FindControl(kDeviceSelectLayout)) layout->setEnabled(true);
      }
      handled = true;
      return 0;
    case kMsgMenuCommand:
      if (const auto* command = reinterpret_cast<const ui::MenuCommand*>(lParam))
        HandleMenuCommand(*command);
      handled = true;
      return 0;
    case kMsgShowProgress:
      if (QWidget* progress = FindControl(kSettingProgress)) progress->setVisible(true);
      handled = true;
      return 0;
    case kMsgLanguage:
      ApplyLanguage(static_cast<int>(wParam));
      ForEachPanel([](panels::CVelmoranUSBDevice& panel) {
        const int kind = panel.Kind();
        if (kind == 1 || kind == 2 || kind == 6 || kind == 9) panel.OnLanguageChanged();
      });
      settings_->ForwardToSettingsWindow(kMsgLanguage, 0, 0);
      handled = true;
      return 0;
    case kMsgDeviceArrived:
    case kMsgDeviceGone:
      OnDeviceRow(static_cast<std::size_t>(wParam), msg == kMsgDeviceArrived);
      handled = true;
      return 0;
    case kMsgOpenUpdateWindow:
      SettingsWindow().OpenSettingsWindow(true);
      handled = true;
      return 0;
    case kMsgClearUpdateBadge:
      ClearUpdateBadge();
      handled = true;
      return 0;
    case kMsgDeviceLink:
      if (wParam < selector_.Size()) {
        if (lParam == 0) {
          selector_.HideItem(wParam);
        } else {
          selector_.ShowArrived(wParam);
        }
      }
      handled = true;
      return 0;
    default:
      break;
  }
  return ui::WindowImplBase::HandleCustomMessage(msg, wParam, lParam, handled);
}

void CMainWnd::ClearUpdateBadge() {
  if (auto* button = FindControlAs<QAbstractButton>(kSetButton)) {
    button->setIcon(QIcon());
    button->setProperty("badge", false);
    button->style()->unpolish(button);
    button->style()->polish(button);
  }
}

// --- timers ---

void CMainWnd::OnControlTimer(int id) {
  if (suspended_) return;
  Timers().KillTimer(this, id);
  switch (id) {
    case kTimerResetDpi:
      update();
      break;
    case kTimerTrayMenu:
      OpenTrayMenu();
      break;
    case kTimerUpdateList:
      SettingsWindow().RebuildUpdateList();
      break;
    case kTimerProfileSwitch:
      routes_->SwitchProfileNow();
      break;
    case kTimerGameLighting:
      routes_->LightingSync().RestoreAfterGame();
      break;
    default:
      break;
  }
}

// --- devices ---

void CMainWnd::OnDeviceRow(std::size_t row, bool arrived) {
  if (!set_) return;
  hid::HidInterfaceCopy copy;
  {
    std::lock_guard lock(copy_mutex_);
    copy = latest_copy_;
  }
  if (row >= copy.size()) return;
  if (arrived) {
    set_->OnArrival(row, copy);
  } else {
    set_->OnRemoval(row, copy);
  }
  const hid::HidInterfaceRow& table_row = copy[row].row;
  const auto slot = devices::DeviceSlotOfKind(table_row.device_kind);
  const auto product = slot ? ProductOfSlot(*slot) : std::nullopt;
  if (product && table_row.role == hid::InterfaceRole::Command) {
    if (arrived || set_->Driver(*slot).IsOpen()) {
      // A new connection (or the mouse switched over to its other one) starts up again.
      StartItemTimer(*product, kItemTimerStartUp, kItemStartUpDelayMs);
    } else {
      if (panels::CDeviceOptionUI* item = selector_.At(*product).item) Timers().KillTimers(item);
      // What was queued for the device that left is of no use any more.
      if (panels::CVelmoranUSBDevice* panel = selector_.At(*product).panel) panel->DropDeviceWork();
    }
  }
  if (arrived && initialised_ && shown_once_) BringToFront();
}

void CMainWnd::OnPresence(devices::DeviceSlot slot, bool shown) {
  const auto product = ProductOfSlot(slot);
  if (!product) return;
  if (QThread::currentThread() != thread()) {
    PostMessage(kMsgDeviceLink, *product, shown ? 1 : 0);
    return;
  }
  bool handled = false;
  HandleCustomMessage(kMsgDeviceLink, *product, shown ? 1 : 0, handled);
}

bool CMainWnd::IsRadio(std::size_t product) {
  const devices::DeviceDriver& driver = set_->Driver(kProducts[product].slot);
  return driver.IsOpen() && driver.Io().IsWireless();
}

void CMainWnd::StartItemTimer(std::size_t product, int id, int period_ms) {
  if (product >= selector_.Size() || threads_stopped_) return;
  if (panels::CDeviceOptionUI* item = selector_.At(product).item)
    Timers().SetTimer(item, id, period_ms);
}

void CMainWnd::OnItemTimer(std::size_t product, int id) {
  if (suspended_ || !set_ || product >= selector_.Size()) return;
  panels::CDeviceOptionUI* item_pointer = selector_.At(product).item.data();
  panels::CVelmoranUSBDevice* panel_pointer = selector_.At(product).panel.data();
  if (item_pointer == nullptr || panel_pointer == nullptr) return;
  panels::CDeviceOptionUI& item = *item_pointer;
  panels::CVelmoranUSBDevice& panel = *panel_pointer;
  const devices::DeviceSlot slot = kProducts[product].slot;
  devices::DeviceDriver& driver = set_->Driver(slot);
  Timers().KillTimer(&item, id);
  switch (id) {
    case kItemTimerStartUp:
      StartUpOnWorker(product);
      break;
    case kItemTimerPeriodic:
      if (panel.PeriodicWork() && item.IsSelected() && item.DisplayControl())
        item.DisplayControl()->update();
      if (driver.IsOpen())
        StartItemTimer(product, kItemTimerPeriodic,
                       IsRadio(product) ? kItemPeriodicRadioMs : kItemPeriodicCableMs);
      break;
    case kItemTimerSettings:
      panel.OnTimer1002();
      break;
    case kItemTimerHook3:
      panel.OnTimer1003();
      break;
    case kItemTimerHook4:
      panel.OnTimer1004();
      break;
    case kItemTimerPower:
      panel.QueryPower();
      if (panel.ReportsPower() && driver.IsOpen())
        StartItemTimer(product, kItemTimerPower, kItemPowerRepeatMs);
      break;
    case kItemTimerLinkCheck:
      if (IsRadio(product)) CheckLinkOnWorker(product);  // else closed, or on the cable now
      break;
    default:
      break;
  }
}

// The start-up of timer 1001 on the device's worker: the radio link first, then the device's
// own read (ReadKeyData) and the pages' values; the timers follow on the UI thread.
void CMainWnd::StartUpOnWorker(std::size_t product) {
  panels::CVelmoranUSBDevice* panel = selector_.At(product).panel;
  const devices::DeviceSlot slot = kProducts[product].slot;
  devices::DeviceSet* set = set_.get();
  struct StartUpResult {
    bool link_down = false;
    bool radio = false;
    bool open = false;
    devices::DeviceSnapshot snapshot;
    std::uint64_t edits_seen = 0;
  };
  panel->RunOnDevice<StartUpResult>(
      "start-up",
      [set, slot, panel](devices::DeviceDriver& driver) {
        StartUpResult result;
        result.radio = driver.IsOpen() && driver.Io().IsWireless();
        if (result.radio && !set->CheckLink(slot)) {
          result.link_down = true;
          return result;
        }
        result.edits_seen = panel->EditsApplied();
        driver.ReadKeyData();
        result.open = driver.IsOpen();
        result.snapshot = devices::TakeSnapshot(driver);
        return result;
      },
      [this, product, panel](StartUpResult result) {
        panels::CDeviceOptionUI* item = selector_.At(product).item;
        if (item == nullptr || threads_stopped_) return;
        if (result.link_down) {
          // The presence callback hid the item; look again later.
          item->CountOffline();
          StartItemTimer(product, kItemTimerStartUp, kItemLinkDownRetryMs);
          return;
        }
        panel->ApplySnapshot(std::move(result.snapshot), result.edits_seen);
        ShowRecoveryNotice(this);
        item->ResetOffline();
        StartItemTimer(product, kItemTimerPeriodic, kItemPeriodicFirstMs);
        if (panel->ReportsPower() && result.open)
          StartItemTimer(product, kItemTimerPower, kItemPowerFirstMs);
        if (result.radio) StartItemTimer(product, kItemTimerLinkCheck, kItemLinkCheckFirstMs);
      });
}

// Timer 1007 on the device's worker: the receiver's link asked again.
void CMainWnd::CheckLinkOnWorker(std::size_t product) {
  panels::CVelmoranUSBDevice* panel = selector_.At(product).panel;
  const devices::DeviceSlot slot = kProducts[product].slot;
  devices::DeviceSet* set = set_.get();
  // Taken now: the check itself shows or hides the item (through the presence callback).
  const panels::CDeviceOptionUI* asking = selector_.At(product).item;
  const bool was_shown = asking != nullptr && asking->IsVisibleFlag();
  panel->RunOnDevice<bool>(
      "link check", [set, slot](devices::DeviceDriver&) { return set->CheckLink(slot); },
      [this, product, panel, was_shown](bool up) {
        panels::CDeviceOptionUI* item = selector_.At(product).item;
        if (item == nullptr || threads_stopped_) return;
        if (up && !was_shown) panel->QueryPower();
        if (!up) item->CountOffline();
        StartItemTimer(product, kItemTimerLinkCheck, kItemLinkCheckRepeatMs);
      });
}

// --- shell operations ---

void CMainWnd::BringToFront() {
  selector_.UpdateNoDevicePage();
  showNormal();
  raise();
  activateWindow();
  if (!shown_once_) {
    shown_once_ = true;
    if (on_shown_) on_shown_();
  }
}

void CMainWnd::CloseChildWindows() {
  if (settings_) settings_->CloseSettingsWindow();
  if (about_) about_->Close(0);
  if (skin_frame_) skin_frame_->close();
}

void CMainWnd::SetLightControlStatus(int status) {
  light_status_ = status;
  ApplyLightStatusText();
  ForEachPanel(
      [status](panels::CVelmoranUSBDevice& panel) { panel.SetLightControlStatus(status); });
}

void CMainWnd::ApplyLightStatusText() {
  if (QWidget* button = FindControl(kLightStatusButton))
    ui::ResourceManager::SetTextKey(button,
                                    light_status_ == 1 ? kLightOnTextKey : kLightOffTextKey);
}

void CMainWnd::SetActive(int active) {
  active_ = active;
  ForEachPanel([active](panels::CVelmoranUSBDevice& panel) { panel.SetActive(active); });
}

void CMainWnd::ApplyLanguage(int index) {
  language_->ApplyLanguage(index, this);
  // The combo follows a switch made elsewhere (the settings window), silently.
  if (auto* combo = FindControlAs<QComboBox>(kLanguageCombo);
      combo != nullptr && index >= 0 && index < combo->count() && combo->currentIndex() != index) {
    const QSignalBlocker silent(combo);
    combo->setCurrentIndex(index);
  }
  if (tray_) tray_->setToolTip(QString::fromLatin1(kProductKey));
  if (access_banner_) access_banner_->Retranslate();
}

void CMainWnd::OnProfileFoldersChanged(const std::vector<std::string>& device_names) {
  if (!set_ || threads_stopped_) return;
  ++profile_checks_;
  for (const devices::DeviceSlot slot : devices::kAllDeviceSlots) {
    devices::DeviceDriver& driver = set_->Driver(slot);
    if (std::find(device_names.begin(), device_names.end(), driver.DeviceName()) ==
            device_names.end() ||
        !ProfileOnDiskDiffers(driver)) {
      continue;
    }
    DebugTraceF("%s: profile changed by another program, reloaded", driver.DeviceName().c_str());
    driver.LoadProfile();
    ++profile_reloads_;
    ForEachPanel([&driver](panels::CVelmoranUSBDevice& panel) {
      if (panel.Driver() != &driver) return;
      panel.NoteRepaint();
      if (QWidget* display = panel.DisplayControl()) display->update();
    });
  }
}

bool CMainWnd::ProfileWatchSettled() const {
  return !profile_watch_ || profile_watch_->Settled();
}

void CMainWnd::ForEachPanel(const std::function<void(panels::CVelmoranUSBDevice&)>& fn) const {
  for (std::size_t i = 0; i < selector_.Size(); ++i) {
    if (panels::CVelmoranUSBDevice* panel = selector_.At(i).panel) fn(*panel);
  }
}

void CMainWnd::OnSkinChanged(const SkinChangedParam& param) {
  QWidget* root = FindControl(QStringLiteral("root"));
  if (!root) root = Root();
  if (!root) return;
  QString sheet;
  if (param.colour) {
    const QColor colour = QColor::fromRgba(param.background_colour);
    sheet = QStringLiteral(
                "#root { border-image: none; background-image: none; "
                "background-color: %1; }")
                .arg(colour.name(QColor::HexArgb));
  } else {
    QString image = param.background_image;
    image.replace(QLatin1Char('"'), QString());
    const bool absolute = image.startsWith(QLatin1Char('/'));
    sheet = QStringLiteral(
                "#root { background-color: transparent; border-image: url(\"%1%2\") 0 0 "
                "0 0 stretch stretch; }")
                .arg(absolute ? QString() : QStringLiteral("skin:"), image);
  }
  root->setStyleSheet(sheet);
}

}  // namespace norvik::app
