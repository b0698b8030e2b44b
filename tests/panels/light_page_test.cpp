// The keyboard's lighting page over its real layout, offscreen: picking keys on the picture in
// the custom colour mode (clicks and the rubber band, which starts on a key) and the colour
// fields.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <memory>
#include <vector>

#include "panels/control_registry.h"
#include "panels/controls_picture.h"
#include "panels/light_control.h"
#include "panels/velmoran_usb_device.h"
#include "ui/dialog_builder.h"
#include "ui/resource_manager.h"

namespace norvik::panels {
namespace {

class TagCallback : public ui::IDialogBuilderCallback {
 public:
  QWidget* CreateControl(const QString& tag, QWidget* parent) override {
    return CreateControlByTag(tag, parent);
  }
};

class KeyboardLightPage : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::ResourceManager::Instance().SetResourcePath(NORVIK_PROGRAM_DIR "/skin");
    TagCallback callback;
    panel_.reset(qobject_cast<CVelmoranUSBDevice*>(
        ui::BuildLayout(QStringLiteral("XML\\DeviceXml\\keyboarddevice.xml"), &callback, nullptr)));
    ASSERT_NE(panel_, nullptr);
    hid::HidInterfaceRow row{};
    row.device_kind = hid::DeviceKind::Keyboard;
    panel_->SetIdentity(row);
    panel_->SetTypeName(QStringLiteral("keyboard"));
    panel_->SetLightCount(126);
    panel_->SetKeyCount(126);
    panel_->Initialise();
    panel_->resize(1120, 720);
    panel_->show();
    panel_->SetValuesReady(true);
    panel_->RefreshPanel();
    page_ = panel_->findChild<CLightControlUI*>();
    ASSERT_NE(page_, nullptr);
    ASSERT_EQ(page_->Family(), devices::LightLayoutFamily::Keyboard);
  }

  // Key n of the picture is also light n.
  CDeviceKeyButtonUI* Key(int n) {
    return panel_->findChild<CDeviceKeyButtonUI*>(QStringLiteral("key_%1").arg(n));
  }

  void Send(QWidget* target, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), Qt::LeftButton, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
  }
  void Click(int n) {
    Send(Key(n), QEvent::MouseButtonPress, QPoint(3, 3));
    Send(Key(n), QEvent::MouseButtonRelease, QPoint(3, 3));
  }
  // Press on key `from`, move over to the centre of key `to`, release there.
  void Drag(int from, int to) {
    CDeviceKeyButtonUI* start = Key(from);
    const QPoint end = start->mapFromGlobal(Key(to)->mapToGlobal(Key(to)->rect().center()));
    Send(start, QEvent::MouseButtonPress, start->rect().center());
    Send(start, QEvent::MouseMove, end);
    Send(start, QEvent::MouseButtonRelease, end);
  }

  std::unique_ptr<CVelmoranUSBDevice> panel_;
  CLightControlUI* page_ = nullptr;
};

TEST_F(KeyboardLightPage, KeysArePickedByClickAndRubberBandOnlyInTheCustomMode) {
  // Key ids of the layout: 5 and 6 are F5 and F6; 22 ... 31 the digit row 1 ... 0.
  Click(5);
  EXPECT_TRUE(page_->SelectedLights().empty()) << "picked outside the custom mode";

  page_->ApplyMode(kCustomColourMode);
  Click(5);
  Click(6);
  Click(6);
  EXPECT_EQ(page_->SelectedLights(), std::vector<int>{5});

  // A drag marks exactly the keys its band touches, whichever way it runs; the clicked key
  // outside the band is dropped.
  Drag(23, 25);
  const std::vector<int> forward = page_->SelectedLights();
  EXPECT_EQ(forward, (std::vector<int>{23, 24, 25}));
  Drag(25, 23);
  EXPECT_EQ(page_->SelectedLights(), forward);

  page_->ApplyMode(1);
  EXPECT_TRUE(page_->SelectedLights().empty()) << "a selection survived leaving the custom mode";
}

TEST_F(KeyboardLightPage, ColourFieldsTakeDigitsOnlyAndShowTheStoredComponent) {
  page_->ApplyMode(1);  // a mode with a colour
  auto* red = panel_->findChild<QLineEdit*>(QStringLiteral("deng_edit_R"));
  ASSERT_NE(red, nullptr);
  red->clear();
  QTest::keyClicks(red, QStringLiteral("1a2-"));
  EXPECT_EQ(red->text(), QStringLiteral("12"));
  struct Row {
    const char* typed;
    const char* shown;
  };
  for (const Row row : {Row{"300", "255"}, Row{"", "0"}, Row{"007", "7"}}) {
    page_->ColourComponentEdited('R', QString::fromLatin1(row.typed));
    EXPECT_EQ(red->text(), QString::fromLatin1(row.shown)) << row.typed;
    EXPECT_EQ(qRed(page_->GetColour()), red->text().toInt()) << row.typed;
    EXPECT_EQ(qRed(page_->GetPaletteColour()), red->text().toInt()) << row.typed;
  }
}

}  // namespace
}  // namespace norvik::panels
