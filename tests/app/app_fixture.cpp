#include "app_fixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include "app/app_messages.h"
#include "panels/control_registry.h"
#include "ui/resource_manager.h"

namespace norvik::app::test {

std::filesystem::path AppDir() {
  return std::filesystem::path(NORVIK_TEST_APP_DIR);
}

bool PumpUntil(const std::function<bool()>& done, int timeout_ms) {
  QDeadlineTimer deadline(timeout_ms);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

void PumpFor(int ms) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
}

void AppFixture::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  const std::filesystem::path skin = AppDir() / "skin";
  ASSERT_TRUE(std::filesystem::exists(skin / "XML" / "main.ui")) << skin;
  ui::ResourceManager::Instance().SetResourcePath(skin);
  QFile style(QString::fromStdString((skin / kStyleSheetFile).string()));
  if (style.open(QIODevice::ReadOnly)) qApp->setStyleSheet(QString::fromUtf8(style.readAll()));
  panels::RegisterControlClasses();

  settings_ = std::make_unique<QSettings>(dir_.filePath("settings.ini"), QSettings::IniFormat);
  emulator_ = std::make_unique<EmulatorSession>(
      AppDir(), /*plug_start_devices=*/false,
      SharesState() ? emulator::StateFileOf(UserFolder()) : std::filesystem::path());
  for (const auto product : StartDevices()) emulator_->SetPlugged(product, true);
  std::filesystem::create_directory(RuntimeDir().toStdString());
  std::filesystem::permissions(RuntimeDir().toStdString(), std::filesystem::perms::owner_all);
  if (WithChannel()) {
    channel_ = std::make_unique<InstanceChannel>(RuntimeDir() + QLatin1Char('/') +
                                                 QLatin1String(kInstanceSocketName));
    ASSERT_TRUE(channel_->Listen());
  }

  MainWndEnvironment env;
  env.backend = &emulator_->Bus();
  env.program_folder = AppDir();
  env.user_folder = UserFolder();
  env.settings = settings_.get();
  env.emulator = emulator_.get();
  env.channel = channel_.get();
  env.use_tray = false;
  env.watch_sleep = false;
  window_ = std::make_unique<CMainWnd>(env);
  ASSERT_TRUE(window_->Create());
  ASSERT_TRUE(PumpUntil([this] { return window_->IsInitialised() && window_->isVisible(); }))
      << "the window was not shown after the first scan";
}

void AppFixture::TearDown() {
  EndProgram();
}

void AppFixture::EndProgram() {
  if (window_) window_->ExitProgram();
  window_.reset();
  channel_.reset();
  emulator_.reset();
}

std::filesystem::path AppFixture::UserFolder() const {
  return dir_.filePath("user").toStdString();
}

panels::CDeviceOptionUI* AppFixture::Item(std::size_t product) {
  return window_->Selector().At(product).item;
}

bool AppFixture::Shown(std::size_t product) {
  auto* item = Item(product);
  return item && item->IsVisibleFlag();
}

bool AppFixture::Selected(std::size_t product) {
  auto* item = Item(product);
  return item && item->IsSelected();
}

std::vector<std::size_t> AppFixture::ShownProducts() {
  std::vector<std::size_t> shown;
  for (std::size_t i = 0; i < window_->Selector().Size(); ++i) {
    if (Shown(i)) shown.push_back(i);
  }
  return shown;
}

QWidget* AppFixture::Control(const char* name) {
  return window_->FindControl(QString::fromLatin1(name));
}

bool AppFixture::WaitForShown(std::vector<std::size_t> products, int timeout_ms) {
  return PumpUntil([&] { return ShownProducts() == products; }, timeout_ms);
}

}  // namespace norvik::app::test
