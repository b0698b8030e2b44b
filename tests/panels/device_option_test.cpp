#include "panels/device_option.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "panels_test_support.h"

namespace norvik::panels {
namespace {

using testing::CustomWidget;
using testing::NotifyRecorder;
using testing::TagCallback;
using testing::TempSkin;

// A status record as the device sends it; bytes it lacks read as 0.
devices::PowerStatus Decoded(const std::vector<std::uint8_t>& record) {
  return devices::PowerStatus::Decode(record);
}

constexpr char kOptionLayout[] =
    "<widget class=\"CDeviceOptionUI\" name=\"option\">"
    "<widget class=\"QPushButton\" name=\"device_select\">"
    "<property name=\"checkable\"><bool>true</bool></property></widget>"
    "<widget class=\"QCheckBox\" name=\"synchro_device_select\"/>"
    "<widget class=\"QLabel\" name=\"device_select_name\"/></widget>";

constexpr char kPowerLayout[] =
    "<widget class=\"CMpDevicePowerUI\" name=\"power\">"
    "<widget class=\"QWidget\" name=\"device_power_Layout\">"
    "<widget class=\"QLabel\" name=\"device_power_value\"/>"
    "<widget class=\"QLabel\" name=\"device_wuxian_logo\"/>"
    "<widget class=\"QProgressBar\" name=\"device_Power_progress\"/>"
    "<widget class=\"QLabel\" name=\"device_power_status\"/>"
    "<widget class=\"QLabel\" name=\"device_phone_type\"/></widget></widget>";

// A window with the page container the items bind to, one selector item and one power
// indicator, each built from its layout as the main window builds them.
class SelectorFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    skin_.WriteLayout("XML/CustomControlXML/DeviceOption.ui", kOptionLayout,
                      CustomWidget("CDeviceOptionUI", "QWidget"));
    skin_.WriteLayout("XML/CustomControlXML/MpDevicePower.ui", kPowerLayout,
                      CustomWidget("CMpDevicePowerUI", "QWidget"));
    window_ = std::make_unique<QWidget>();
    auto* column = new QVBoxLayout(window_.get());
    pages_ = new QStackedWidget(window_.get());
    pages_->setObjectName(QStringLiteral("device_switch"));
    pages_->addWidget(new QWidget(pages_));
    pages_->addWidget(new QWidget(pages_));
    column->addWidget(pages_);
    item_ = qobject_cast<CDeviceOptionUI*>(ui::BuildLayout(
        QStringLiteral("XML\\CustomControlXML\\DeviceOption.xml"), &callback_, window_.get()));
    power_ = qobject_cast<CMpDevicePowerUI*>(ui::BuildLayout(
        QStringLiteral("XML\\CustomControlXML\\MpDevicePower.xml"), &callback_, window_.get()));
    ASSERT_NE(item_, nullptr);
    ASSERT_NE(power_, nullptr);
    column->addWidget(item_);
    column->addWidget(power_);
    pump_ = std::make_unique<ui::NotifyPump>(&recorder_);
    pump_->Watch(window_.get());
  }

  QString Property(QWidget* widget, const char* name) const {
    return widget ? widget->property(name).toString() : QStringLiteral("<no widget>");
  }
  QWidget* PowerChild(const char* name) const {
    return power_->findChild<QWidget*>(QLatin1String(name));
  }
  QProgressBar* Progress() const { return power_->findChild<QProgressBar*>(); }

  TempSkin skin_;
  TagCallback callback_;
  NotifyRecorder recorder_;
  std::unique_ptr<QWidget> window_;
  std::unique_ptr<ui::NotifyPump> pump_;
  QStackedWidget* pages_ = nullptr;
  CDeviceOptionUI* item_ = nullptr;
  CMpDevicePowerUI* power_ = nullptr;
};

TEST_F(SelectorFixture, IconsFollowKindAndRole) {
  struct Row {
    int kind;
    int role;
    const char* prefix;
  };
  const Row rows[] = {{1, 0, "kb"},     {2, 0, "ms"},    {3, 0, "hard_mp"}, {3, 1, "soft_mp"},
                      {4, 0, "hd"},     {7, 0, "hd"},    {5, 0, "hub"},     {6, 0, "unknow"},
                      {9, 0, "unknow"}, {0, 0, "unknow"}};
  QAbstractButton* select = item_->SelectButton();
  ASSERT_NE(select, nullptr);
  for (const Row& row : rows) {
    item_->SetKindAndRole(row.kind, row.role);
    const QString base = QStringLiteral("common/device_ico/") + row.prefix;
    EXPECT_EQ(item_->NormalImage(), base + "_device_normal.png") << row.kind << "/" << row.role;
    EXPECT_EQ(item_->SelectedImage(), base + "_device_selected.png");
    EXPECT_EQ(item_->SynchroNormalImage(), base + "_device_synchro_normal.png");
    EXPECT_EQ(item_->SynchroSelectedImage(), base + "_device_synchro_selected.png");
    EXPECT_EQ(Property(select, kNormalImageProperty), base + "_device_normal.png");
    EXPECT_EQ(Property(select, kDisabledImageProperty), base + "_device_normal.png");
    EXPECT_EQ(Property(select, kSelectedImageProperty), base + "_device_selected.png");
    EXPECT_EQ(Property(select, ui::kToolTipKeyProperty),
              QString::fromLatin1(row.prefix) + "_device_name_text");
  }
}

TEST_F(SelectorFixture, APadRoleOtherThanHardOrSoftLeavesTheIconsAlone) {
  item_->SetKindAndRole(1, 0);
  item_->SetKindAndRole(3, 2);
  EXPECT_EQ(item_->NormalImage(), QStringLiteral("common/device_ico/kb_device_normal.png"));
  EXPECT_EQ(Property(item_->SelectButton(), ui::kToolTipKeyProperty),
            QStringLiteral("kb_device_name_text"));
  EXPECT_EQ(item_->Kind(), 3) << "kind and role are still recorded";
  EXPECT_EQ(item_->Role(), 2);
}

TEST_F(SelectorFixture, AFreshItemShowsTheUnknownSet) {
  CDeviceOptionUI fresh;
  EXPECT_EQ(fresh.NormalImage(), QStringLiteral("common/device_ico/unknow_device_normal.png"));
  EXPECT_EQ(fresh.SynchroSelectedImage(),
            QStringLiteral("common/device_ico/unknow_device_synchro_selected.png"));
  fresh.SetSynchro(true);  // no children: nothing to touch, nothing to crash
  EXPECT_FALSE(fresh.IsSynchro());
  EXPECT_FALSE(fresh.IsSelected());
}

TEST_F(SelectorFixture, SynchroSwitchesTheImagePairAndNotifiesOnlyOnChange) {
  item_->SetKindAndRole(2, 0);
  QAbstractButton* select = item_->SelectButton();
  item_->SetSynchro(true);
  EXPECT_TRUE(item_->IsSynchro());
  EXPECT_EQ(Property(select, kNormalImageProperty),
            QStringLiteral("common/device_ico/ms_device_synchro_normal.png"));
  EXPECT_EQ(Property(select, kSelectedImageProperty),
            QStringLiteral("common/device_ico/ms_device_synchro_selected.png"));
  EXPECT_EQ(recorder_.Count("selectchanged", "synchro_device_select"), 1);
  item_->SetSynchro(true);
  EXPECT_EQ(recorder_.Count("selectchanged", "synchro_device_select"), 1)
      << "setting the same state again sends nothing";

  item_->ShowSynchroOption(false);
  EXPECT_TRUE(item_->SynchroButton()->isHidden());
  EXPECT_EQ(Property(select, kNormalImageProperty),
            QStringLiteral("common/device_ico/ms_device_synchro_normal.png"))
      << "the pair follows the option's selection, not its visibility";

  item_->SetSynchro(false);
  EXPECT_EQ(Property(select, kNormalImageProperty),
            QStringLiteral("common/device_ico/ms_device_normal.png"));
  EXPECT_EQ(recorder_.Count("selectchanged", "synchro_device_select"), 2);
}

TEST_F(SelectorFixture, ActivateSendsSelectChangedForTheItem) {
  item_->Activate();
  ASSERT_EQ(recorder_.entries.size(), 1u);
  EXPECT_EQ(recorder_.entries[0].type, QStringLiteral("selectchanged"));
  EXPECT_EQ(recorder_.entries[0].sender_widget, item_);
}

TEST_F(SelectorFixture, ClickingTheItemShowsItsBoundPage) {
  item_->BindPage(QStringLiteral("device_switch"), 1);
  item_->SetGroup(QStringLiteral("tab_header_device"));
  ASSERT_EQ(pages_->currentIndex(), 0);
  item_->SelectButton()->click();
  EXPECT_TRUE(item_->IsSelected());
  EXPECT_EQ(pages_->currentIndex(), 1);

  item_->Select(false);
  EXPECT_FALSE(item_->IsSelected());
  item_->BindPage(QStringLiteral("device_switch"), 7);
  item_->SelectButton()->click();
  EXPECT_EQ(pages_->currentIndex(), 1) << "a page index past the container changes nothing";
}

TEST_F(SelectorFixture, VisibilityIsRecordedAndAppliedButNeverOpensAWindow) {
  item_->SetVisible(false);
  EXPECT_FALSE(item_->IsVisibleFlag());
  EXPECT_TRUE(item_->isHidden());
  item_->SetVisible(true);
  EXPECT_TRUE(item_->IsVisibleFlag());
  EXPECT_FALSE(item_->isHidden());

  CDeviceOptionUI loose;
  loose.SetVisible(true);
  EXPECT_TRUE(loose.IsVisibleFlag());
  EXPECT_FALSE(loose.isVisible()) << "an item outside a bar is not shown as a window";
}

TEST_F(SelectorFixture, OfflineCountRunsToNineteenAndTheTwentiethWrapsToZero) {
  for (int i = 1; i <= 19; ++i) {
    item_->CountOffline();
    ASSERT_EQ(item_->OfflineCount(), i);
  }
  item_->CountOffline();
  EXPECT_EQ(item_->OfflineCount(), 0);
  item_->CountOffline();
  EXPECT_EQ(item_->OfflineCount(), 1);
}

// --- the power indicator ---

struct StatusCase {
  const char* what;
  int kind;
  std::vector<std::uint8_t> record;
  int progress_value;
  bool progress_shown;
  const char* value_text;
  const char* status_image;
  bool logo_shown;
};

TEST_F(SelectorFixture, StatusRecordsDecodeIntoValueProgressImageAndRadioLogo) {
  const StatusCase cases[] = {
      {"mouse, on battery",
       2,
       {80, 0, 0, 0, 0, 0},
       20,
       true,
       "80%",
       "file='power/powered.png'",
       false},
      {"mouse, charging over the radio",
       2,
       {55, 1, 0, 1, 0, 0},
       45,
       false,
       "55%",
       "file='power/wuxian_powering.png'",
       true},
      {"mouse, charging on the cable",
       2,
       {55, 1, 0, 0, 0, 0},
       45,
       true,
       "55%",
       "file='power/powering.png'",
       false},
      {"mouse, charged", 2, {100, 2, 0, 0}, 0, true, "100%", "file='power/power.png'", false},
      {"three bytes: the rest reads as zero",
       2,
       {57, 1, 9},
       43,
       true,
       "57%",
       "file='power/powering.png'",
       false},
      {"empty record", 2, {}, 100, true, "0%", "file='power/powered.png'", false},
      {"level beyond 100 shows as full",
       2,
       {250, 0},
       0,
       true,
       "100%",
       "file='power/powered.png'",
       false},
  };
  QWidget* logo = PowerChild("device_wuxian_logo");
  QWidget* status = PowerChild("device_power_status");
  auto* value = qobject_cast<QLabel*>(PowerChild("device_power_value"));
  ASSERT_TRUE(logo && status && value && Progress());
  for (const StatusCase& c : cases) {
    power_->SetKind(c.kind, 0);
    power_->SetStatus(devices::PowerStatus::Decode(c.record));
    EXPECT_EQ(Progress()->value(), c.progress_value) << c.what;
    EXPECT_EQ(!Progress()->isHidden(), c.progress_shown) << c.what;
    EXPECT_EQ(value->text(), QString::fromLatin1(c.value_text)) << c.what;
    EXPECT_EQ(Property(status, kImageProperty), QString::fromLatin1(c.status_image)) << c.what;
    EXPECT_EQ(!logo->isHidden(), c.logo_shown) << c.what;
  }
}

TEST_F(SelectorFixture, UnknownChargeStateKeepsTheImageAndOnlyAMouseShowsTheRadioLogo) {
  power_->SetKind(2, 0);
  power_->SetStatus(Decoded({40, 2}));
  power_->SetStatus(Decoded({41, 7}));
  EXPECT_EQ(Property(PowerChild("device_power_status"), kImageProperty),
            QStringLiteral("file='power/power.png'"));
  EXPECT_EQ(Progress()->value(), 59);

  power_->SetKind(3, 0);
  PowerChild("device_wuxian_logo")->hide();
  power_->SetStatus(Decoded({40, 0, 0, 1}));
  EXPECT_TRUE(PowerChild("device_wuxian_logo")->isHidden()) << "a pad never shows the logo";
}

TEST_F(SelectorFixture, APadShowsItsPhoneTypeAndOtherKindsLeaveItAlone) {
  struct Row {
    std::uint8_t type;
    const char* key;
  };
  const Row rows[] = {{1, "Phone_type_iphone"},
                      {2, "Phone_type_samsung"},
                      {3, "Phone_type_other"},
                      {0, "Phone_type_no_device"},
                      {200, "Phone_type_no_device"}};
  QWidget* phone = PowerChild("device_phone_type");
  power_->SetKind(3, 0);
  for (const Row& row : rows) {
    power_->SetStatus(Decoded({90, 0, 0, 0, 0, row.type}));
    EXPECT_EQ(Property(phone, ui::kToolTipKeyProperty), QString::fromLatin1(row.key))
        << int{row.type};
    EXPECT_EQ(Property(phone, kImageProperty),
              QStringLiteral("file='power/") + row.key + QStringLiteral(".png'"))
        << int{row.type};
  }
  power_->SetKind(2, 0);
  power_->SetStatus(Decoded({90, 0, 0, 0, 0, 1}));
  EXPECT_EQ(Property(phone, ui::kToolTipKeyProperty), QStringLiteral("Phone_type_no_device"))
      << "a mouse's record does not touch the phone type";
}

TEST_F(SelectorFixture, ShowTogglesThePowerLayoutAndALongRecordIsCutAtSixtyFourBytes) {
  power_->Show(false);
  EXPECT_TRUE(PowerChild("device_power_Layout")->isHidden());
  power_->Show(true);
  EXPECT_FALSE(PowerChild("device_power_Layout")->isHidden());

  std::vector<std::uint8_t> long_record(4096, 0);
  long_record[0] = 33;
  power_->SetKind(2, 0);
  power_->SetStatus(devices::PowerStatus::Decode(long_record));
  EXPECT_EQ(Progress()->value(), 67);

  CMpDevicePowerUI bare;  // no children at all
  bare.SetKind(3, 0);
  bare.SetStatus(Decoded({10, 1, 0, 1, 0, 2}));
  bare.Show(true);
  EXPECT_EQ(bare.Kind(), 3);
}

}  // namespace
}  // namespace norvik::panels
