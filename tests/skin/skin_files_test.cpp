// Checks of the skin as shipped: language files agree with each other and with the layouts,
// every image a layout or the style sheet names has a source, and the layouts hold the controls
// the program looks up by name.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHBoxLayout>
#include <QHash>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSet>
#include <QStackedWidget>
#include <QUiLoader>
#include <QXmlStreamReader>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

#include "devices/light_mode_controls.h"
#include "profiles/key_code_table.h"

namespace {

QString SkinDir() {
  const char* source = std::getenv("NORVIK_SOURCE_DIR");
  return QDir(QString::fromLocal8Bit(source != nullptr ? source : ".")).filePath("skin");
}

QString ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

// Texts of a language file; nullopt when it is not well-formed or holds a key twice.
std::optional<std::map<QString, QString>> ReadLanguage(const QString& name) {
  QFile file(QDir(SkinDir()).filePath(name));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  QXmlStreamReader xml(&file);
  std::map<QString, QString> texts;
  bool root_seen = false;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (!root_seen) {
      if (xml.name() != QLatin1String("Language")) return std::nullopt;
      root_seen = true;
      continue;
    }
    if (xml.name() != QLatin1String("Text")) return std::nullopt;
    const QString id = xml.attributes().value(QLatin1String("id")).toString();
    if (id.isEmpty() || texts.count(id) != 0) return std::nullopt;
    texts[id] = xml.readElementText();
  }
  if (xml.hasError()) return std::nullopt;
  return texts;
}

QStringList SkinFiles(const QStringList& patterns) {
  QStringList files;
  QDirIterator it(SkinDir(), patterns, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) files << it.next();
  files.sort();
  return files;
}

// Builds custom classes as the Qt class they extend, as the program's builder falls back to.
class FallbackLoader : public QUiLoader {
 public:
  explicit FallbackLoader(const QString& layout_text) {
    const QRegularExpression custom(
        QStringLiteral("<class>([^<]+)</class>\\s*<extends>([^<]+)</extends>"));
    auto matches = custom.globalMatch(layout_text);
    while (matches.hasNext()) {
      const auto match = matches.next();
      bases_.insert(match.captured(1), match.captured(2));
    }
  }
  QWidget* createWidget(const QString& class_name, QWidget* parent, const QString& name) override {
    return QUiLoader::createWidget(bases_.value(class_name, class_name), parent, name);
  }

 private:
  QHash<QString, QString> bases_;
};

QApplication& App() {
  static std::unique_ptr<QApplication> app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "skin_tests";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
  }();
  return *app;
}

std::unique_ptr<QWidget> LoadLayout(const QString& relative) {
  App();
  QFile file(QDir(SkinDir()).filePath(relative));
  if (!file.open(QIODevice::ReadOnly)) {
    ADD_FAILURE() << "cannot open " << relative.toStdString();
    return nullptr;
  }
  FallbackLoader loader(QString::fromUtf8(file.readAll()));
  file.seek(0);
  std::unique_ptr<QWidget> root(loader.load(&file));
  if (!root) ADD_FAILURE() << relative.toStdString() << ": " << loader.errorString().toStdString();
  return root;
}

TEST(SkinLanguage, BothFilesParseAndHoldTheSameKeys) {
  const auto en = ReadLanguage("lan_en.xml");
  const auto cn = ReadLanguage("lan_cn.xml");
  ASSERT_TRUE(en.has_value()) << "lan_en.xml is not a language file (or repeats a key)";
  ASSERT_TRUE(cn.has_value()) << "lan_cn.xml is not a language file (or repeats a key)";
  for (const auto& [key, text] : *en) {
    EXPECT_EQ(cn->count(key), 1u) << "key only in lan_en.xml: " << key.toStdString();
    EXPECT_FALSE(text.trimmed().isEmpty()) << "empty English text: " << key.toStdString();
  }
  for (const auto& [key, text] : *cn) {
    EXPECT_EQ(en->count(key), 1u) << "key only in lan_cn.xml: " << key.toStdString();
    EXPECT_FALSE(text.trimmed().isEmpty()) << "empty Chinese text: " << key.toStdString();
  }
}

TEST(SkinLanguage, EveryKeyOfTheLayoutsAndTheMenuIsTranslatedInBothFiles) {
  const auto en = ReadLanguage("lan_en.xml");
  const auto cn = ReadLanguage("lan_cn.xml");
  ASSERT_TRUE(en && cn);
  // "@key" as a .ui string or a menu text attribute.
  const QRegularExpression key_pattern(QStringLiteral("[>\"]@([A-Za-z0-9_]+)[<\"]"));
  const QStringList files = SkinFiles({"*.ui", "menu.xml"});
  ASSERT_GE(files.size(), 10) << "layouts not found under " << SkinDir().toStdString();
  int keys_seen = 0;
  for (const QString& file : files) {
    auto matches = key_pattern.globalMatch(ReadAll(file));
    while (matches.hasNext()) {
      const QString key = matches.next().captured(1);
      ++keys_seen;
      EXPECT_EQ(en->count(key), 1u)
          << file.toStdString() << ": no English text for " << key.toStdString();
      EXPECT_EQ(cn->count(key), 1u)
          << file.toStdString() << ": no Chinese text for " << key.toStdString();
    }
  }
  EXPECT_GT(keys_seen, 30);
}

// The key page names keys by the key table's text keys, the lighting page its directions by the
// mode tables' text keys.
TEST(SkinLanguage, KeyNamesAndLightingDirectionsAreTranslatedInBothFiles) {
  const auto en = ReadLanguage("lan_en.xml");
  const auto cn = ReadLanguage("lan_cn.xml");
  ASSERT_TRUE(en && cn);
  QStringList keys;
  for (const norvik::profiles::KeyCodeRow& row : norvik::profiles::KeyCodeTable()) {
    keys << QString::fromStdString(norvik::profiles::KeyTextKey(row));
  }
  for (int mode = 0; mode < 32; ++mode) {
    const auto texts =
        norvik::devices::ApplyMode(norvik::devices::LightLayoutFamily::Keyboard, mode, true)
            .direction_texts;
    ASSERT_TRUE(texts.has_value()) << mode;
    for (const std::string_view key : {texts->first, texts->second}) {
      keys << QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
    }
  }
  keys.removeDuplicates();
  EXPECT_EQ(keys.size(), 142 + 8);
  for (const QString& key : keys) {
    EXPECT_EQ(en->count(key), 1u) << "lan_en.xml lacks " << key.toStdString();
    EXPECT_EQ(cn->count(key), 1u) << "lan_cn.xml lacks " << key.toStdString();
  }
}

TEST(SkinLanguage, TextsTheProgramSetsExistWithTheirRequiredForm) {
  const auto en = ReadLanguage("lan_en.xml");
  const auto cn = ReadLanguage("lan_cn.xml");
  ASSERT_TRUE(en && cn);
  QStringList keys = {"language_en_text",
                      "language_cn_text",
                      "software_rev_text",
                      "control_light_on_text",
                      "control_light_off_text",
                      "emu_menu_text",
                      "emu_keyboard_text",
                      "emu_keyboard2_text",
                      "emu_mouse_cable_text",
                      "emu_mouse_receiver_text",
                      "emu_mousepad_text",
                      "emu_headset_text",
                      "emu_link_text",
                      "show_window_menu_text",
                      "no_device_text",
                      "no_device_hint_text",
                      "message_title_text",
                      "confirm_text",
                      "cancel_text",
                      "Phone_type_iphone",
                      "Phone_type_samsung",
                      "Phone_type_other",
                      "Phone_type_no_device"};
  for (const char* prefix : {"kb", "ms", "hard_mp", "soft_mp", "hd", "hub", "unknow"}) {
    keys << QString("%1_device_name_text").arg(prefix);
  }
  for (int n : {2, 4, 5, 6, 7, 16, 22, 25, 26, 27, 29}) keys << QString("message_text_%1").arg(n);
  for (const QString& key : keys) {
    EXPECT_EQ(en->count(key), 1u) << "lan_en.xml lacks " << key.toStdString();
    EXPECT_EQ(cn->count(key), 1u) << "lan_cn.xml lacks " << key.toStdString();
  }
  // The failure text is used as a printf format for one integer; other texts take only the
  // numbered places of QString::arg (%1, %2).
  const QRegularExpression conversion(QStringLiteral("%[^%0-9]|%$"));
  for (const auto* texts : {&*en, &*cn}) {
    const QString format = texts->at("message_text_16");
    EXPECT_EQ(format.count(conversion), 1) << format.toStdString();
    EXPECT_EQ(format.count(QStringLiteral("%d")), 1) << format.toStdString();
    for (const auto& [key, text] : *texts) {
      if (key != "message_text_16") {
        EXPECT_EQ(text.count(conversion), 0)
            << key.toStdString() << ": stray % in " << text.toStdString();
      }
    }
  }
  EXPECT_EQ(cn->at("control_light_on_text"), QStringLiteral("控制灯光"));
  EXPECT_EQ(cn->at("control_light_off_text"), QStringLiteral("不控制灯光"));
  EXPECT_EQ(en->at("language_cn_text"), QStringLiteral("简体中文"));
  EXPECT_EQ(cn->at("language_cn_text"), QStringLiteral("简体中文"));
}

TEST(SkinImages, EveryImageNamedByTheSkinOrTheProgramHasADrawing) {
  const QDir skin(SkinDir());
  QSet<QString> images;
  const QRegularExpression url(QStringLiteral("url\\(skin:([^)]+)\\)"));
  const QRegularExpression image_data(
      QStringLiteral("name=\"userdata\"[^>]*><string>([^<]+\\.png)</string>"));
  for (const QString& file : SkinFiles({"*.ui", "*.qss"})) {
    const QString text = ReadAll(file);
    for (const auto* pattern : {&url, &image_data}) {
      auto matches = pattern->globalMatch(text);
      while (matches.hasNext()) images.insert(matches.next().captured(1));
    }
  }
  // Names the program builds itself.
  images << "common/background.png"
         << "common/logo.png";
  for (const char* prefix : {"kb", "ms", "hard_mp", "soft_mp", "hd", "hub", "unknow"}) {
    for (const char* state : {"normal", "selected", "synchro_normal", "synchro_selected"}) {
      images << QString("common/device_ico/%1_device_%2.png").arg(prefix, state);
    }
  }
  for (const char* name :
       {"powered", "wuxian_powering", "powering", "power", "wuxian_logo", "Phone_type_iphone",
        "Phone_type_samsung", "Phone_type_other", "Phone_type_no_device"}) {
    images << QString("power/%1.png").arg(name);
  }
  for (int i = 1; i <= 4; ++i) images << QString("common/skin/bg_%1.png").arg(i);
  for (const QString& image : images) {
    QString svg = image;
    svg.replace(QRegularExpression(QStringLiteral("\\.png$")), QStringLiteral(".svg"));
    EXPECT_TRUE(skin.exists(image) || skin.exists(svg)) << "no drawing for " << image.toStdString();
  }
}

TEST(SkinLayouts, MainLayoutHoldsTheControlsTheWindowLooksUp) {
  const auto root = LoadLayout("XML/main.ui");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->objectName(), "root");
  EXPECT_EQ(root->size(), QSize(1500, 970));
  for (const char* name :
       {"skinbtn", "setbtn", "gamemodebtn", "cloudbtn", "smarteyesbtn", "menubtn", "minbtn",
        "maxbtn", "restorebtn", "closebtn", "device_select_prev", "device_select_next",
        "nodevice_ok_btn", "setwnd_to_main", "control_light_status"}) {
    EXPECT_NE(root->findChild<QAbstractButton*>(name), nullptr) << "no button " << name;
  }
  for (const char* name : {"device_power_switch", "device_switch"}) {
    const auto* stack = root->findChild<QStackedWidget*>(name);
    ASSERT_NE(stack, nullptr) << name;
    EXPECT_EQ(stack->count(), 1) << name << " must start with its empty page 0";
  }
  const auto* items = root->findChild<QWidget*>("device_select_layout");
  ASSERT_NE(items, nullptr);
  EXPECT_NE(qobject_cast<QHBoxLayout*>(items->layout()), nullptr)
      << "selector items are added to a horizontal layout";
  EXPECT_NE(root->findChild<QWidget*>("No_device_Link"), nullptr);
  EXPECT_NE(root->findChild<QProgressBar*>("setting_progress"), nullptr);
  EXPECT_NE(root->findChild<QWidget*>("Language_combox_info_main"), nullptr);
  EXPECT_NE(root->findChild<QWidget*>("str_test"), nullptr);
  EXPECT_NE(root->findChild<QWidget*>("device_update_list_info"), nullptr);
  // Hidden until the program decides otherwise.
  for (const char* name :
       {"gamemodebtn", "cloudbtn", "smarteyesbtn", "menubtn", "restorebtn", "setwnd_to_main",
        "setting_progress", "str_test", "device_update_list_info"}) {
    const auto* widget = root->findChild<QWidget*>(name);
    ASSERT_NE(widget, nullptr) << name;
    EXPECT_TRUE(widget->isHidden()) << name << " should start hidden";
  }
}

TEST(SkinLayouts, SmallWindowsAndItemsHoldTheirNamedControls) {
  const std::map<QString, QStringList> expected = {
      {"XML/msg.ui", {"MessageTitle", "MessageText", "confirm_btn", "cancel_btn", "closebtn"}},
      {"XML/AboutWnd.ui",
       {"closebtn", "minbtn", "maxbtn", "restorebtn", "menubtn", "homepage_btn",
        "software_ver_label", "text_test"}},
      {"XML/skin.ui", {"skin_image", "skin_color", "skin_tab", "skin_reset", "skin_Custom"}},
      {"XML/CustomControlXML/DeviceOption.ui",
       {"device_select", "synchro_device_select", "device_select_name"}},
      {"XML/CustomControlXML/MpDevicePower.ui",
       {"device_power_Layout", "device_power_value", "device_wuxian_logo", "device_Power_progress",
        "device_power_status", "device_phone_type"}},
  };
  for (const auto& [file, names] : expected) {
    const auto root = LoadLayout(file);
    ASSERT_NE(root, nullptr) << file.toStdString();
    for (const QString& name : names) {
      EXPECT_NE(root->findChild<QWidget*>(name), nullptr)
          << file.toStdString() << " lacks " << name.toStdString();
    }
  }
  const auto skin = LoadLayout("XML/skin.ui");
  ASSERT_NE(skin, nullptr);
  const auto images = skin->findChildren<QAbstractButton*>("skin_image_btn");
  EXPECT_GE(images.size(), 4);
  for (const auto* button : images) {
    EXPECT_TRUE(button->property("userdata").toString().startsWith("common/skin/bg_"));
  }
  const auto colours = skin->findChildren<QAbstractButton*>("skin_color_btn");
  EXPECT_GE(colours.size(), 8);
  const QRegularExpression argb(QStringLiteral("^#[0-9A-Fa-f]{8}$"));
  for (const auto* button : colours) {
    const QString colour = button->property("bkcolor").toString();
    EXPECT_TRUE(argb.match(colour).hasMatch()) << colour.toStdString();
    // The button shows the colour it stands for.
    EXPECT_TRUE(button->styleSheet().contains("#" + colour.mid(3), Qt::CaseInsensitive))
        << colour.toStdString();
  }
  const auto option = LoadLayout("XML/CustomControlXML/DeviceOption.ui");
  ASSERT_NE(option, nullptr);
  const auto* select = option->findChild<QAbstractButton*>("device_select");
  const auto* synchro = option->findChild<QWidget*>("synchro_device_select");
  ASSERT_TRUE(select != nullptr && synchro != nullptr);
  EXPECT_TRUE(select->isCheckable());
  EXPECT_TRUE(synchro->isHidden());
}

struct DevicePicture {
  QString file;
  QString panel;
  int keys;
  int lights;  // buttons named light_<n> (zones that are not keys)
  bool keys_carry_light_numbers;
};

TEST(SkinLayouts, DevicePicturesHoldOneButtonPerKeyInsideThePicture) {
  const DevicePicture devices[] = {
      {"XML/DeviceXml/keyboarddevice.ui", "device_key_light", 126, 0, true},
      {"XML/DeviceXml/mousedevice.ui", "mouse_device_key_light", 6, 7, false},
      // The mouse pad's and the headset's zones are their lights: the picture recolours them
      // like keys.
      {"XML/DeviceXml/mousepaddevice.ui", "mousepad_device_key_light", 15, 0, true},
      {"XML/DeviceXml/hs6533device.ui", "hs_device_key_light", 13, 0, true},
  };
  for (const auto& device : devices) {
    SCOPED_TRACE(device.file.toStdString());
    const auto root = LoadLayout(device.file);
    ASSERT_NE(root, nullptr);
    for (const char* stack : {"device_function_switch", "device_key_function_switch"}) {
      EXPECT_NE(root->findChild<QStackedWidget*>(stack), nullptr) << stack;
    }
    const auto* panel = root->findChild<QWidget*>(device.panel);
    ASSERT_NE(panel, nullptr) << "no select panel " << device.panel.toStdString();
    EXPECT_LE(panel->width(), 780);
    EXPECT_LE(panel->height(), 330);
    const QRect bounds(QPoint(0, 0), panel->size());
    std::vector<QRect> shown;
    auto check_button = [&](const QString& name, const QString& userdata) {
      const auto* button = panel->findChild<QAbstractButton*>(name);
      ASSERT_NE(button, nullptr) << "no " << name.toStdString();
      EXPECT_EQ(button->parentWidget(), panel) << name.toStdString();
      EXPECT_TRUE(button->isCheckable()) << name.toStdString();
      EXPECT_EQ(button->property("userdata").toString(), userdata) << name.toStdString();
      EXPECT_TRUE(bounds.contains(button->geometry()))
          << name.toStdString() << " leaves the picture";
      if (!button->isHidden()) {
        for (const QRect& other : shown) {
          EXPECT_FALSE(other.intersects(button->geometry()))
              << name.toStdString() << " overlaps another key button";
        }
        shown.push_back(button->geometry());
      }
    };
    for (int n = 0; n < device.keys; ++n) {
      check_button(QString("key_%1").arg(n),
                   device.keys_carry_light_numbers ? QString("light_%1").arg(n) : QString());
    }
    for (int n = 0; n < device.lights; ++n) {
      check_button(QString("light_%1").arg(n), QString("light_%1").arg(n));
    }
    EXPECT_EQ(panel->findChild<QAbstractButton*>(QString("key_%1").arg(device.keys)), nullptr)
        << "more key buttons than the device has keys";
  }
}

}  // namespace
