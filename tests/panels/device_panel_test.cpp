#include "panels/velmoran_usb_device.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QThread>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devices/keyboard_driver.h"
#include "devices/mouse_pad_driver.h"
#include "emulator/emulated_bus.h"
#include "emulator/emulated_device.h"
#include "panels/controls_picture.h"
#include "panels/device_option.h"
#include "panels/keyboard_device.h"
#include "panels/mouse_pad_device.h"
#include "panels/push_messages.h"
#include "panels_test_support.h"

namespace norvik::panels {
namespace {

using testing::CustomWidget;
using testing::KeyButton;
using testing::NotifyRecorder;
using testing::TagCallback;
using testing::TempFolder;
using testing::TempSkin;

constexpr char kKeyboardLayout[] = "XML\\DeviceXml\\keyboarddevice.xml";

std::string PictureWidgets() {
  return CustomWidget("VelmoranKeyboardDevice", "QWidget") +
         CustomWidget("VelmoranMousePadDevice", "QWidget") +
         CustomWidget("SelectPanel", "QWidget") + CustomWidget("DeviceKeyButton", "QPushButton");
}

// A device layout: root of class root_class, a device picture holding buttons.
std::string DeviceLayout(const std::string& root_class, const std::string& buttons,
                         bool with_picture = true) {
  std::string xml = "<widget class=\"" + root_class + "\" name=\"device_root\">";
  if (with_picture) {
    xml +=
        "<widget class=\"QWidget\" name=\"picture_frame\">"
        "<widget class=\"SelectPanel\" name=\"device_picture\">"
        "<property name=\"geometry\"><rect><x>0</x><y>0</y><width>400</width>"
        "<height>150</height></rect></property>" +
        buttons + "</widget></widget>";
  } else {
    xml += buttons;
  }
  return xml + "</widget>";
}

template <class Panel>
std::unique_ptr<Panel> BuildPanel(const char* layout) {
  TagCallback callback;
  QWidget* root = ui::BuildLayout(QLatin1String(layout), &callback, nullptr);
  auto* panel = qobject_cast<Panel*>(root);
  if (panel == nullptr) {
    ADD_FAILURE() << "layout " << layout << " did not build a panel";
    delete root;  // not a panel: the test owns whatever came back
    return nullptr;
  }
  return std::unique_ptr<Panel>(panel);
}

QString Name(const QPointer<CDeviceKeyButtonUI>& button) {
  return button ? button->objectName() : QStringLiteral("-");
}

// Which entries of a button list are filled, by name, e.g. "5=KEY_5".
std::vector<std::string> Filled(const std::vector<QPointer<CDeviceKeyButtonUI>>& list) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i]) out.push_back(std::to_string(i) + "=" + Name(list[i]).toStdString());
  }
  return out;
}

TEST(PushMessages, MacroResultsMapToThePanelsMessageKeys) {
  using devices::MacroPushResult;
  using devices::MacroPushStatus;
  EXPECT_EQ(MacroPushMessageKey({MacroPushStatus::OutOfMemory}), "message_text_7");
  EXPECT_EQ(MacroPushMessageKey({MacroPushStatus::TooLarge, 3}), "message_text_16");
  for (const MacroPushStatus quiet :
       {MacroPushStatus::Sent, MacroPushStatus::NothingToSend, MacroPushStatus::TransferFailed,
        MacroPushStatus::NeedsCable}) {
    EXPECT_TRUE(MacroPushMessageKey({quiet}).empty()) << static_cast<int>(quiet);
  }
}

TEST(BuildKeyButtons, NamesAndUserDataNumberTheKeyAndLightButtons) {
  TempSkin skin;
  skin.WriteLayout(
      "XML/DeviceXml/keyboarddevice.ui",
      DeviceLayout("VelmoranKeyboardDevice",
                   KeyButton("KEY_5", "light_2", 0, 0) + KeyButton("key_7", "LIGHT_4", 40, 0) +
                       KeyButton("key_10", "light_5", 80, 0) +    // beyond both
                       KeyButton("key_x", "light_x", 120, 0) +    // no number
                       KeyButton("key_-1", "light_-1", 160, 0) +  // not a number
                       KeyButton("keys_3", "lights_1", 200, 0) +  // other prefix
                       KeyButton("big_key_3", "", 240, 0) +       // last underscore
                       KeyButton("key_0", "", 280, 0)),
      PictureWidgets());
  auto panel = BuildPanel<CVelmoranKeyboardDevice>(kKeyboardLayout);
  ASSERT_NE(panel, nullptr);
  panel->SetTypeName(QStringLiteral("keyboard"));
  panel->SetKeyCount(10);
  panel->SetLightCount(5);
  panel->Initialise();

  ASSERT_NE(panel->SelectPanel(), nullptr);
  EXPECT_EQ(panel->SelectPanel()->objectName(), QStringLiteral("device_picture"));
  EXPECT_EQ(panel->DisplayControl(), panel->SelectPanel());
  EXPECT_EQ(panel->KeyButtons().size(), 10u);
  EXPECT_EQ(panel->LightButtons().size(), 5u);
  EXPECT_EQ(Filled(panel->KeyButtons()),
            (std::vector<std::string>{"0=key_0", "5=KEY_5", "7=key_7"}));
  EXPECT_EQ(Filled(panel->LightButtons()), (std::vector<std::string>{"2=KEY_5", "4=key_7"}));
}

TEST(BuildKeyButtons, WithoutPictureOrDeviceNameTheListsHoldNoButtons) {
  TempSkin skin;
  skin.WriteLayout("XML/DeviceXml/keyboarddevice.ui",
                   DeviceLayout("VelmoranKeyboardDevice", KeyButton("key_1", "light_1", 0, 0),
                                /*with_picture=*/false),
                   PictureWidgets());
  auto bare = BuildPanel<CVelmoranKeyboardDevice>(kKeyboardLayout);
  ASSERT_NE(bare, nullptr);
  bare->SetTypeName(QStringLiteral("keyboard"));
  bare->SetKeyCount(126);
  bare->SetLightCount(126);
  bare->Initialise();
  EXPECT_EQ(bare->SelectPanel(), nullptr);
  EXPECT_TRUE(Filled(bare->KeyButtons()).empty()) << "buttons outside a SelectPanel are ignored";
  EXPECT_TRUE(Filled(bare->LightButtons()).empty());
  EXPECT_EQ(bare->DisplayControl(), bare.get());

  skin.WriteLayout("XML/DeviceXml/keyboarddevice.ui",
                   DeviceLayout("VelmoranKeyboardDevice", KeyButton("key_1", "light_1", 0, 0)),
                   PictureWidgets());
  auto nameless = BuildPanel<CVelmoranKeyboardDevice>(kKeyboardLayout);
  ASSERT_NE(nameless, nullptr);
  nameless->SetKeyCount(126);
  nameless->SetLightCount(126);
  nameless->Initialise();
  EXPECT_TRUE(nameless->KeyButtons().empty());
  EXPECT_TRUE(nameless->LightButtons().empty());
  EXPECT_EQ(nameless->SelectPanel(), nullptr);
}

TEST(DevicePanel, WithoutADriverEveryDeviceCallDoesNothing) {
  CVelmoranUSBDevice panel;
  CMpDevicePowerUI power;
  panel.SetPowerIndicator(&power);
  EXPECT_EQ(panel.StartUp(), devices::DeviceResult::NotSent);
  EXPECT_FALSE(panel.PeriodicWork());
  EXPECT_FALSE(panel.QueryLink());
  EXPECT_FALSE(panel.IsChannelOpen());
  EXPECT_FALSE(panel.IsRadio());
  panel.QueryPower();
  panel.OnTimer1002();
  panel.NoteRepaint();
  EXPECT_TRUE(panel.PeriodicWork()) << "a noted repaint is reported once";
  EXPECT_FALSE(panel.PeriodicWork());
}

// An emulated device, its driver and a panel built from a device layout, wired together as the
// main window wires them.
template <class Driver, class Panel>
class PanelRig {
 public:
  PanelRig(emulator::EmulatedProduct product, const std::string& root_class,
           const std::string& buttons, const char* layout, const std::string& file, int lights)
      : bus_(emulator::Presentation::PerCollection) {
    id_ = bus_.Plug(product);
    device_ = bus_.DeviceAs<emulator::CommandDevice>(id_);
    skin_.WriteLayout(file, DeviceLayout(root_class, buttons), PictureWidgets());
    driver_ =
        std::make_unique<Driver>(&bus_, devices::DeviceFolders{user_.path(), NORVIK_PROGRAM_DIR});
    panel_ = BuildPanel<Panel>(layout);
    if (!panel_) return;
    panel_->SetLightCount(lights);
    panel_->SetKeyCount(lights);
    panel_->SetPowerIndicator(&power_);
    panel_->SetDriver(driver_.get());
    panel_->Initialise();
  }
  ~PanelRig() {
    panel_.reset();
    driver_.reset();
  }

  bool Open() {
    const auto path = bus_.PathOf(id_, emulator::CommandDevice::kVendorInterface,
                                  emulator::CommandDevice::kCommandCollection);
    if (!path) return false;
    hid::HidInterfaceBinding row;
    row.row.device_kind = static_cast<hid::DeviceKind>(device_->Product());
    row.path = *path;
    driver_->BindRow(row);
    panel_->SetIdentity(row.row);
    return driver_->OpenCommand(*path, hid::kLinkModeDirect);
  }

  Panel* panel() { return panel_.get(); }
  Driver& driver() { return *driver_; }
  emulator::CommandDevice& device() { return *device_; }
  CMpDevicePowerUI& power() { return power_; }

 private:
  TempSkin skin_;
  TempFolder user_;
  emulator::EmulatedBus bus_;
  emulator::DeviceId id_ = 0;
  std::shared_ptr<emulator::CommandDevice> device_;
  std::unique_ptr<Driver> driver_;
  CMpDevicePowerUI power_;
  std::unique_ptr<Panel> panel_;
};

using KeyboardRig = PanelRig<devices::KeyboardDriver, CVelmoranKeyboardDevice>;

std::string ThreeLights() {
  return KeyButton("key_0", "light_0", 0, 0) + KeyButton("key_1", "light_1", 40, 0) +
         KeyButton("key_2", "light_125", 80, 0);
}

TEST(DevicePanel, PeriodicWorkRecoloursVisibleLightButtonsFromTheLedEntries) {
  KeyboardRig rig(emulator::EmulatedProduct::Keyboard, "VelmoranKeyboardDevice", ThreeLights(),
                  kKeyboardLayout, "XML/DeviceXml/keyboarddevice.ui", 126);
  ASSERT_NE(rig.panel(), nullptr);
  const auto& lights = rig.panel()->LightButtons();
  ASSERT_TRUE(lights[0] && lights[1] && lights[125]);
  lights[1]->hide();

  rig.driver().Leds().Set(0, devices::PackLedEntry({0xFF, 0x10, 0x20, 128}));
  rig.driver().Leds().Set(1, devices::PackLedEntry({0x01, 0x02, 0x03, 255}));
  rig.driver().Leds().Set(125, devices::PackLedEntry({0x00, 0x80, 0xFF, 255}));
  EXPECT_TRUE(rig.panel()->PeriodicWork());
  EXPECT_EQ(lights[0]->LightColor(), QColor(0xFF, 0x10, 0x20));
  EXPECT_EQ(lights[0]->LightBrightness(), 128);
  EXPECT_EQ(lights[0]->ShownColor(), QColor(0x80, 0x08, 0x10));
  EXPECT_EQ(lights[125]->LightColor(), QColor(0x00, 0x80, 0xFF));
  EXPECT_EQ(lights[1]->LightBrightness(), 0) << "a hidden light button keeps its colour";
  EXPECT_FALSE(rig.panel()->PeriodicWork()) << "nothing changed, nothing to repaint";
}

TEST(DevicePanel, StartUpReadsTheKeyboardAndItsPreviewPaintsThePicture) {
  KeyboardRig rig(emulator::EmulatedProduct::Keyboard, "VelmoranKeyboardDevice", ThreeLights(),
                  kKeyboardLayout, "XML/DeviceXml/keyboarddevice.ui", 126);
  ASSERT_NE(rig.panel(), nullptr);
  ASSERT_TRUE(rig.Open());
  ASSERT_EQ(rig.panel()->StartUp(), devices::DeviceResult::Success);
  EXPECT_FALSE(rig.device().CommandsSeen().empty());

  // The preview thread fills the LED entries from the profile's lighting.
  QElapsedTimer waited;
  waited.start();
  auto lit = [&] {
    for (const devices::LedEntry& e : rig.driver().Leds().Entries()) {
      if (e.brightness != 0 && (e.red | e.green | e.blue) != 0) return true;
    }
    return false;
  };
  while (!lit() && waited.elapsed() < 5000) QThread::msleep(5);
  ASSERT_TRUE(lit()) << "the preview painted nothing within 5 s";
  rig.driver().Preview().Stop();  // hold the entries still while they are compared

  rig.panel()->PeriodicWork();
  const std::vector<devices::LedEntry> entries = rig.driver().Leds().Entries();
  ASSERT_GE(entries.size(), 126u);
  for (std::size_t light : {0u, 1u, 125u}) {
    const CDeviceKeyButtonUI* button = rig.panel()->LightButtons()[light];
    const devices::LedEntry& e = entries[light];
    EXPECT_EQ(button->LightColor(), QColor(e.red, e.green, e.blue)) << "light " << light;
    EXPECT_EQ(button->LightBrightness(), e.brightness) << "light " << light;
  }
}

using PadRig = PanelRig<devices::MousePadDriver, CVelmoranMousePadDevice>;

TEST(DevicePanel, QueryPowerHandsTheStatusBlockToThePowerIndicator) {
  PadRig rig(emulator::EmulatedProduct::MousePad, "VelmoranMousePadDevice",
             KeyButton("key_0", "light_0", 0, 0), "XML\\DeviceXml\\mousepaddevice.xml",
             "XML/DeviceXml/mousepaddevice.ui", 15);
  ASSERT_NE(rig.panel(), nullptr);
  auto* value = new QLabel(&rig.power());
  value->setObjectName(QStringLiteral("device_power_value"));
  auto* phone = new QLabel(&rig.power());
  phone->setObjectName(QStringLiteral("device_phone_type"));
  rig.power().SetKind(3, 0);

  rig.panel()->QueryPower();
  EXPECT_TRUE(rig.panel()->Work().WaitIdle(std::chrono::seconds(5)));
  QCoreApplication::processEvents();
  EXPECT_TRUE(value->text().isEmpty()) << "a closed channel reads nothing";

  ASSERT_TRUE(rig.Open());
  EXPECT_TRUE(rig.panel()->ReportsPower());
  const std::vector<std::uint8_t> status = {64, 1, 0, 1, 90, 2};
  rig.device().SetStatusBlock(status);
  rig.panel()->QueryPower();
  // The status is read on the device's worker and handed back to the UI thread.
  QElapsedTimer waited;
  waited.start();
  while (value->text().isEmpty() && waited.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  EXPECT_EQ(value->text(), QStringLiteral("64%"));
  EXPECT_EQ(phone->property(ui::kToolTipKeyProperty).toString(),
            QStringLiteral("Phone_type_samsung"));
}

// --- the device picture ---

using testing::SendMouse;

class PictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<QWidget>();
    panel_ = new CSelectPanelUI(window_.get());
    panel_->setObjectName(QStringLiteral("device_picture"));
    panel_->setGeometry(0, 0, 300, 100);
    for (int i = 0; i < 3; ++i) {
      keys_[i] = new CDeviceKeyButtonUI(panel_);
      keys_[i]->setObjectName(QStringLiteral("key_%1").arg(i));
      keys_[i]->setGeometry(10 + 50 * i, 10, 30, 30);  // x 10-39, 60-89, 110-139
    }
    pump_ = std::make_unique<ui::NotifyPump>(&recorder_);
    pump_->Watch(window_.get());
  }
  std::vector<bool> Selected() const {
    return {keys_[0]->IsSelected(), keys_[1]->IsSelected(), keys_[2]->IsSelected()};
  }
  void Drag(QPoint from, QPoint to) {
    SendMouse(panel_, QEvent::MouseButtonPress, from);
    SendMouse(panel_, QEvent::MouseMove, (from + to) / 2);
    SendMouse(panel_, QEvent::MouseMove, to);
    SendMouse(panel_, QEvent::MouseButtonRelease, to);
  }

  NotifyRecorder recorder_;
  std::unique_ptr<QWidget> window_;
  std::unique_ptr<ui::NotifyPump> pump_;
  CSelectPanelUI* panel_ = nullptr;
  CDeviceKeyButtonUI* keys_[3] = {};
};

TEST_F(PictureTest, ADragSelectsTheKeysItsRectangleTouchesInEitherDirection) {
  Drag(QPoint(35, 5), QPoint(65, 45));
  EXPECT_EQ(Selected(), (std::vector<bool>{true, true, false}));
  EXPECT_EQ(recorder_.Count("click_select_end", "device_picture"), 1);

  Drag(QPoint(65, 45), QPoint(35, 5));
  EXPECT_EQ(Selected(), (std::vector<bool>{true, true, false}));
  EXPECT_EQ(panel_->SelectionRect(), QRect(QPoint(35, 5), QPoint(65, 45)));

  Drag(QPoint(200, 90), QPoint(100, 60));
  EXPECT_EQ(Selected(), (std::vector<bool>{false, false, false})) << "a drag over no key clears";
  EXPECT_EQ(recorder_.Count("click_select_end", "device_picture"), 3);
}

TEST_F(PictureTest, AClickWithoutMovingChangesNoSelectionAndSendsNothing) {
  Drag(QPoint(35, 5), QPoint(65, 45));
  recorder_.entries.clear();
  SendMouse(panel_, QEvent::MouseButtonPress, QPoint(200, 80));
  SendMouse(panel_, QEvent::MouseButtonRelease, QPoint(200, 80));
  EXPECT_EQ(Selected(), (std::vector<bool>{true, true, false}));
  EXPECT_TRUE(recorder_.entries.empty());
}

TEST_F(PictureTest, ADoubleClickOnAnEnabledKeySendsDbclick) {
  SendMouse(keys_[1], QEvent::MouseButtonDblClick, QPoint(5, 5));
  EXPECT_EQ(recorder_.Count("dbclick", "key_1"), 1);
  keys_[2]->setEnabled(false);
  SendMouse(keys_[2], QEvent::MouseButtonDblClick, QPoint(5, 5));
  EXPECT_EQ(recorder_.Count("dbclick", "key_2"), 0);
}

}  // namespace
}  // namespace norvik::panels
