// The skin chooser: what each click broadcasts and records, placement, closing.
#include <QAbstractButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTest>
#include <QVBoxLayout>

#include "app/skin_frame.h"
#include "windows_test_support.h"

namespace norvik::app {
namespace {

using test::WindowsTest;

class RecordingReceiver : public SkinReceiver {
 public:
  void OnSkinChanged(const SkinChangedParam& param) override { seen.push_back(param); }
  std::vector<SkinChangedParam> seen;
};

class SkinFrameTest : public WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    SkinObserver::Instance().AddReceiver(&receiver_);
    owner_.resize(600, 400);
    auto* layout = new QVBoxLayout(&owner_);
    anchor_ = new QWidget(&owner_);
    anchor_->setFixedSize(40, 30);
    layout->addWidget(anchor_, 0, Qt::AlignRight | Qt::AlignTop);
    owner_.show();
  }
  void TearDown() override {
    SkinObserver::Instance().RemoveReceiver(&receiver_);
    WindowsTest::TearDown();
  }

  // Opens a frame (the chooser answers custom_answer) and clicks the named button in it.
  CSkinFrame* OpenFrame(QString custom_answer = {}) {
    auto* frame = new CSkinFrame(&owner_, anchor_, UserFolder(), [this, custom_answer] {
      ++chooser_calls_;
      return custom_answer;
    });
    frame->Open();
    return frame;
  }
  static void Click(CSkinFrame* frame, const QString& name) {
    auto* button = frame->findChild<QAbstractButton*>(name);
    ASSERT_NE(button, nullptr) << name.toStdString();
    button->click();
  }
  std::filesystem::path MainIni() const { return UserFolder() / kMainIniFile; }
  QString IniValue(const char* key) const {
    QSettings ini(QString::fromStdString(MainIni().string()), QSettings::IniFormat);
    return ini.value(QStringLiteral("SKINIMAGE/") + key).toString();
  }

  RecordingReceiver receiver_;
  QWidget owner_;
  QWidget* anchor_ = nullptr;
  int chooser_calls_ = 0;
};

TEST_F(SkinFrameTest, ResetBroadcastsTheDefaultBackgroundAndRecordsFlagsZero) {
  CSkinFrame* frame = OpenFrame();
  Click(frame, QStringLiteral("skin_reset"));
  ASSERT_EQ(receiver_.seen.size(), 1U);
  EXPECT_FALSE(receiver_.seen[0].colour);
  EXPECT_EQ(receiver_.seen[0].background_image, "common/background.png");
  EXPECT_EQ(IniValue(kSkinFlagsKey), "0");
  EXPECT_EQ(IniValue(kSkinImageKey), "common/background.png");
  const std::string raw = ReadFile(MainIni());
  EXPECT_NE(raw.find("[SKINIMAGE]"), std::string::npos) << raw;
}

TEST_F(SkinFrameTest, ImageButtonBroadcastsItsImageAndRecordsFlagsOne) {
  CSkinFrame* frame = OpenFrame();
  Click(frame, QStringLiteral("skin_image_btn"));
  ASSERT_EQ(receiver_.seen.size(), 1U);
  EXPECT_FALSE(receiver_.seen[0].colour);
  EXPECT_EQ(receiver_.seen[0].background_image, "skin_bg/1.png");
  EXPECT_EQ(IniValue(kSkinFlagsKey), "1");
  EXPECT_EQ(IniValue(kSkinImageKey), "skin_bg/1.png");
}

TEST_F(SkinFrameTest, ColourButtonBroadcastsItsColourAndLeavesMainIni) {
  WriteMainIni(UserFolder(), "1", "skin_bg/2.png");
  const std::string before = ReadFile(MainIni());
  CSkinFrame* frame = OpenFrame();
  Click(frame, QStringLiteral("skin_color_btn"));
  ASSERT_EQ(receiver_.seen.size(), 1U);
  EXPECT_TRUE(receiver_.seen[0].colour);
  EXPECT_EQ(receiver_.seen[0].background_colour, 0xFF336699U);
  EXPECT_EQ(ReadFile(MainIni()), before);
}

TEST_F(SkinFrameTest, CustomImageCancelledChangesNothingChosenIsBroadcastOnly) {
  CSkinFrame* frame = OpenFrame();
  Click(frame, QStringLiteral("skin_Custom"));
  EXPECT_EQ(chooser_calls_, 1);
  EXPECT_TRUE(receiver_.seen.empty());
  EXPECT_FALSE(std::filesystem::exists(MainIni()));

  frame = OpenFrame(QStringLiteral("/home/user/Pictures/wall.png"));
  const QPointer<CSkinFrame> guard(frame);
  Click(frame, QStringLiteral("skin_Custom"));
  ASSERT_EQ(receiver_.seen.size(), 1U);
  EXPECT_EQ(receiver_.seen[0].background_image, "/home/user/Pictures/wall.png");
  EXPECT_FALSE(std::filesystem::exists(MainIni()));
  test::FlushDeferredDeletes();
  EXPECT_TRUE(guard.isNull()) << "the chooser closes the pop-up";
}

TEST_F(SkinFrameTest, PageButtonsSwitchTheSkinTab) {
  CSkinFrame* frame = OpenFrame();
  ASSERT_NE(frame, nullptr);
  auto* tab = frame->findChild<QStackedWidget*>(QStringLiteral("skin_tab"));
  ASSERT_NE(tab, nullptr);
  Click(frame, QStringLiteral("skin_color"));
  EXPECT_EQ(tab->currentIndex(), 1);
  Click(frame, QStringLiteral("skin_image"));
  EXPECT_EQ(tab->currentIndex(), 0);
  EXPECT_TRUE(receiver_.seen.empty());
}

TEST_F(SkinFrameTest, OpensRightAlignedUnderTheAnchorAtTheLayoutSize) {
  CSkinFrame* frame = OpenFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->isVisible());
  EXPECT_EQ(frame->size(), QSize(300, 180));
  const QPoint anchor_bottom_right =
      anchor_->mapToGlobal(QPoint(anchor_->width(), anchor_->height()));
  EXPECT_EQ(frame->geometry().x() + frame->width(), anchor_bottom_right.x());
  EXPECT_EQ(frame->geometry().y(), anchor_bottom_right.y());
}

TEST_F(SkinFrameTest, ClickOutsideClosesWithoutAChange) {
  CSkinFrame* frame = OpenFrame();
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(frame->isVisible());
  const QPointer<CSkinFrame> guard(frame);
  QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(-50, -50));
  test::FlushDeferredDeletes();
  EXPECT_TRUE(guard.isNull()) << "closed and deleted";
  EXPECT_TRUE(receiver_.seen.empty());
  EXPECT_FALSE(std::filesystem::exists(MainIni()));
}

TEST_F(SkinFrameTest, MissingLayoutClosesTheFrame) {
  std::filesystem::remove(SkinFolder() / "XML" / "skin.ui");
  const QPointer<CSkinFrame> frame(OpenFrame());
  test::FlushDeferredDeletes();
  EXPECT_TRUE(frame.isNull());
}

TEST(SkinObserver, BroadcastReachesEveryReceiverUntilRemoved) {
  RecordingReceiver first;
  RecordingReceiver second;
  SkinObserver& observer = SkinObserver::Instance();
  observer.AddReceiver(&first);
  observer.AddReceiver(&second);
  observer.AddReceiver(&second);  // once only
  observer.Broadcast({true, 0xFF102030U, {}});
  observer.RemoveReceiver(&first);
  observer.Broadcast({false, 0, QStringLiteral("x.png")});
  observer.RemoveReceiver(&second);
  observer.Broadcast({false, 0, QStringLiteral("y.png")});

  ASSERT_EQ(first.seen.size(), 1U);
  EXPECT_EQ(first.seen[0].background_colour, 0xFF102030U);
  ASSERT_EQ(second.seen.size(), 2U);
  EXPECT_EQ(second.seen[1].background_image, "x.png");
}

TEST(SkinObserver, ReceiverRemovedDuringABroadcastIsNotCalledAfterwards) {
  RecordingReceiver later;
  struct Remover : SkinReceiver {
    RecordingReceiver* victim = nullptr;
    void OnSkinChanged(const SkinChangedParam&) override {
      SkinObserver::Instance().RemoveReceiver(victim);
      SkinObserver::Instance().RemoveReceiver(this);
    }
  } remover;
  remover.victim = &later;
  SkinObserver::Instance().AddReceiver(&remover);
  SkinObserver::Instance().AddReceiver(&later);
  SkinObserver::Instance().Broadcast({});
  EXPECT_TRUE(later.seen.empty());
}

TEST(SkinColour, AcceptsTheSkinNotationsOnly) {
  EXPECT_EQ(ParseSkinColour("#FF336699"), 0xFF336699U);
  EXPECT_EQ(ParseSkinColour("#336699"), 0xFF336699U);
  EXPECT_EQ(ParseSkinColour("0x80112233"), 0x80112233U);
  EXPECT_EQ(ParseSkinColour(" FF000000 "), 0xFF000000U);
  EXPECT_EQ(ParseSkinColour(""), std::nullopt);
  EXPECT_EQ(ParseSkinColour("#12345"), std::nullopt);
  EXPECT_EQ(ParseSkinColour("#GG336699"), std::nullopt);
  EXPECT_EQ(ParseSkinColour("-1234567"), std::nullopt);
}

TEST_F(SkinFrameTest, MainIniWriteIntoAnImpossibleFolderIsIgnored) {
  WriteFile("blocker", "a file where a folder should be");
  WriteMainIni(Root() / "blocker" / "user", "0", kDefaultBackground);
  EXPECT_FALSE(std::filesystem::exists(Root() / "blocker" / "user" / kMainIniFile));
}

}  // namespace
}  // namespace norvik::app
