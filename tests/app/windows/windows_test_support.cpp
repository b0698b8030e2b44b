#include "windows_test_support.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <fstream>
#include <sstream>

#include "base/debug_trace.h"
#include "ui/resource_manager.h"

namespace norvik::app::test {
namespace {

// Builds a Designer layout: a root widget of the given size holding the widgets given as XML.
std::string Layout(int width, int height, const std::string& children) {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>root</class>
 <widget class="QWidget" name="root">
  <property name="geometry"><rect><x>0</x><y>0</y><width>)" +
         std::to_string(width) + "</width><height>" + std::to_string(height) +
         R"(</height></rect></property>
)" + children +
         R"( </widget>
</ui>
)";
}

std::string Widget(const std::string& cls, const std::string& name, const std::string& text,
                   const std::string& extra = {}) {
  std::string xml = "  <widget class=\"" + cls + "\" name=\"" + name + "\">\n";
  if (!text.empty()) {
    xml += "   <property name=\"text\"><string>" + text + "</string></property>\n";
  }
  return xml + extra + "  </widget>\n";
}

std::string DynamicProperty(const std::string& name, const std::string& value) {
  return "   <property name=\"" + name + "\" stdset=\"0\"><string>" + value +
         "</string></property>\n";
}

constexpr char kLanEn[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Language>
 <Text id="software_rev_text">Software version: </Text>
 <Text id="language_en_text">English</Text>
 <Text id="language_cn_text">Chinese</Text>
 <Text id="msg_title">Notice</Text>
 <Text id="msg_default">Default message</Text>
 <Text id="message_text_22">Restore the default settings?</Text>
 <Text id="confirm_text">OK</Text>
 <Text id="cancel_text">Cancel</Text>
</Language>
)";

constexpr char kLanCn[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Language>
 <Text id="software_rev_text">软件版本：</Text>
 <Text id="language_en_text">英语</Text>
 <Text id="language_cn_text">中文</Text>
 <Text id="msg_title">提示</Text>
 <Text id="msg_default">默认消息</Text>
 <Text id="message_text_22">恢复默认设置？</Text>
 <Text id="confirm_text">确定</Text>
 <Text id="cancel_text">取消</Text>
</Language>
)";

// Five languages, so that index rules at 2, 3 and 4 can be exercised.
constexpr char kLanguageConfig[] = R"({
   "Language" : [
      { "Language_ID" : 1033, "Language_file" : "lan_en.xml", "Language_name" : "en",
        "Language_text" : "language_en_text" },
      { "Language_ID" : 2052, "Language_file" : "lan_cn.xml", "Language_name" : "cn",
        "Language_text" : "language_cn_text" },
      { "Language_ID" : 1041, "Language_file" : "lan_en.xml", "Language_name" : "jp",
        "Language_text" : "language_jp_text" },
      { "Language_ID" : 1042, "Language_file" : "lan_cn.xml", "Language_name" : "kr",
        "Language_text" : "language_kr_text" },
      { "Language_ID" : 1049, "Language_file" : "lan_en.xml", "Language_name" : "ru",
        "Language_text" : "language_ru_text" }
   ]
})";

}  // namespace

void WindowsTest::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  SetDebugTraceSink([this](std::string_view line) { traces_.emplace_back(line); });
  WriteFile("skin/lan_en.xml", kLanEn);
  WriteFile("skin/lan_cn.xml", kLanCn);
  WriteFile("DefaultData/Language.config", kLanguageConfig);
  WriteFile("skin/XML/msg.ui", Layout(400, 200,
                                      Widget("QLabel", "MessageTitle", "@msg_title") +
                                          Widget("QLabel", "MessageText", "@msg_default") +
                                          Widget("QPushButton", "confirm_btn", "@confirm_text") +
                                          Widget("QPushButton", "cancel_btn", "@cancel_text") +
                                          Widget("QPushButton", "closebtn", "x")));
  WriteFile(
      "skin/XML/AboutWnd.ui",
      Layout(640, 480,
             Widget("QPushButton", "closebtn", "x") + Widget("QPushButton", "minbtn", "_") +
                 Widget("QPushButton", "maxbtn", "+") + Widget("QPushButton", "restorebtn", "=") +
                 Widget("QPushButton", "menubtn", "m") +
                 Widget("QLabel", "software_ver_label", "") +
                 Widget("QLabel", "text_test", "",
                        "   <property name=\"visible\"><bool>false</bool></property>\n")));
  const std::string image_page =
      "   <widget class=\"QWidget\" name=\"image_page\">\n" +
      Widget("QPushButton", "skin_image_btn", "1", DynamicProperty("userdata", "skin_bg/1.png")) +
      "   </widget>\n";
  const std::string colour_page =
      "   <widget class=\"QWidget\" name=\"colour_page\">\n" +
      Widget("QPushButton", "skin_color_btn", "c", DynamicProperty("bkcolor", "#FF336699")) +
      "   </widget>\n";
  WriteFile("skin/XML/skin.ui",
            Layout(300, 180,
                   Widget("QPushButton", "skin_color", "colours") +
                       Widget("QPushButton", "skin_image", "images") +
                       Widget("QPushButton", "skin_reset", "reset") +
                       Widget("QPushButton", "skin_Custom", "custom") +
                       "  <widget class=\"QStackedWidget\" name=\"skin_tab\">\n" + image_page +
                       colour_page + "  </widget>\n"));
  ui::ResourceManager& resources = ui::ResourceManager::Instance();
  resources.Reset();
  resources.SetResourcePath(SkinFolder());
  resources.LoadLanguage(QStringLiteral("lan_en.xml"));
}

void WindowsTest::TearDown() {
  FlushDeferredDeletes();
  ui::ResourceManager::Instance().Reset();
  SetDebugTraceSink({});
}

std::filesystem::path WindowsTest::Root() const {
  return std::filesystem::path(dir_.path().toStdString());
}

void WindowsTest::WriteFile(const std::filesystem::path& relative, const std::string& text) const {
  const std::filesystem::path file = Root() / relative;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
  ASSERT_TRUE(out.good()) << file;
}

std::string WindowsTest::ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void ClickButton(ui::WindowImplBase* window, const QString& name) {
  auto* button = qobject_cast<QAbstractButton*>(window->FindControl(name));
  ASSERT_NE(button, nullptr) << "no button " << name.toStdString();
  button->click();
}

void FlushDeferredDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

}  // namespace norvik::app::test
