// Pictures of the main window for review: no device, keyboard and mouse, each language.
#include <QDir>
#include <QPixmap>

#include "app/app_messages.h"
#include "app/language.h"
#include "app_fixture.h"

namespace norvik::app::test {
namespace {

using emulator::EmulatedProduct;

class Screenshots : public AppFixture {
 protected:
  void Save(const char* name) {
    QDir().mkpath(NORVIK_SCREENSHOT_DIR);
    PumpFor(100);
    const QPixmap picture = Wnd().grab();
    ASSERT_FALSE(picture.isNull());
    const QString path = QStringLiteral(NORVIK_SCREENSHOT_DIR "/") + name + ".png";
    ASSERT_TRUE(picture.save(path)) << path.toStdString();
  }
  void SetLanguage(int index) {
    Wnd().PostMessage(kMsgLanguage, static_cast<ui::WPARAM>(index));
    ASSERT_TRUE(PumpUntil([&] { return Wnd().Language()->CurrentIndex() == index; }));
  }
};

TEST_F(Screenshots, NoDevice) {
  SetLanguage(0);
  Save("main_no_device");
}

TEST_F(Screenshots, KeyboardAndMouseInEachLanguage) {
  Emu().SetPlugged(EmulatedProduct::Keyboard, true);
  ASSERT_TRUE(WaitForShown({kKeyboard}));
  Emu().SetPlugged(EmulatedProduct::MouseCable, true);
  ASSERT_TRUE(WaitForShown({kMouse, kKeyboard}));
  ASSERT_TRUE(Selected(kKeyboard));
  PumpFor(600);  // start-up reads done, the picture painted
  SetLanguage(0);
  Save("main_keyboard_mouse_en");
  SetLanguage(1);
  Save("main_keyboard_mouse_cn");
  Wnd().Selector().SelectPrevious();
  ASSERT_TRUE(Selected(kMouse));
  SetLanguage(0);
  Save("main_mouse_selected_en");
}

}  // namespace
}  // namespace norvik::app::test
