// The mouse's write sequences against a device that goes away at every step, refuses a chunk,
// or leaves stale replies in the queue; and the stop of its reader threads.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "devices/mouse_driver.h"
#include "mouse_test_rig.h"
#include "profiles/shoot_files.h"

namespace norvik::devices {
namespace {

using norvik::testing::WriteText;
using testing::Bytes;
using testing::CommandDevice;
using testing::FolderSnapshot;
using testing::HexOf;
using testing::MouseRig;
using testing::ShootEvent;
using testing::WriteShootFile;

enum class Link { Cable, Receiver };

const char* LinkName(Link link) {
  return link == Link::Cable ? "cable" : "receiver";
}

// A rig attached over one link, its key map read, its profile, macros and shoot files in place.
struct PreparedMouse {
  explicit PreparedMouse(Link link) : rig(link == Link::Cable, link == Link::Receiver) {
    const MouseLink attached = link == Link::Cable ? rig.AttachCable() : rig.AttachReceiver();
    EXPECT_NE(attached, MouseLink::None);
    EXPECT_EQ(rig.driver().ReadKeyData(), DeviceResult::Success);
    const auto folder = rig.data_folder();
    WriteText(folder / "macro.config", R"({"MacroInfo": [ {"MacroName": "a", "Guid": "ga"} ]})");
    std::string events = R"({"Events": [)";
    for (int i = 0; i < 20; ++i) {
      events += std::string(i ? "," : "") + R"({"Action":"down","Type":1,"Button":1,"Delay":5})";
    }
    WriteText(folder / "ga.mac", events + "]}");
    for (int gun = 0; gun < 4; ++gun) {
      WriteShootFile(folder / profiles::ShootFileName(gun),
                     {{"down", 1, 10, 1}, {"up", 1, 0, 1}, {"down", 3, 5, 4}, {"up", 7, 90, 5}});
    }
    device().ClearRequestLog();
  }
  CommandDevice& device() {
    return rig.driver().ActiveLink() == MouseLink::Receiver
               ? static_cast<CommandDevice&>(rig.receiver())
               : static_cast<CommandDevice&>(rig.cable());
  }
  MouseRig rig;
};

struct Sequence {
  const char* name;
  // Runs the sequence; true when it reported success.
  std::function<bool(MouseDriver&)> run;
  bool cable_only = false;
};

const std::vector<Sequence>& WriteSequences() {
  static const std::vector<Sequence> sequences = {
      {"settings", [](MouseDriver& d) { return d.WriteSettings(0, 0) == DeviceResult::Success; }},
      {"key map", [](MouseDriver& d) { return d.PushKeyMap(0) == DeviceResult::Success; }},
      {"macro table",
       [](MouseDriver& d) { return d.WriteMacroTable().status == MacroPushStatus::Sent; }},
      {"shoot table",
       [](MouseDriver& d) { return d.WriteShootTable().status == MacroPushStatus::Sent; },
       /*cable_only=*/true},
      {"whole profile", [](MouseDriver& d) { return d.ApplyProfile().Ok(); }},
      {"dpi stage", [](MouseDriver& d) { return d.SetDpiStageValue(0, 900).Ok(); }},
  };
  return sequences;
}

class MouseUnplugMatrix : public ::testing::TestWithParam<Link> {};

TEST_P(MouseUnplugMatrix, UnplugAtEveryStepFailsTheSequenceAndKeepsTheFiles) {
  const Link link = GetParam();
  for (const Sequence& sequence : WriteSequences()) {
    if (sequence.cable_only && link == Link::Receiver) continue;
    std::uint64_t steps = 0;
    {
      PreparedMouse clean(link);
      const std::uint64_t first = clean.device().RequestCount();
      ASSERT_TRUE(sequence.run(clean.rig.driver()))
          << sequence.name << " over the " << LinkName(link);
      steps = clean.device().RequestCount() - first;
    }
    ASSERT_GT(steps, 0u) << sequence.name;
    for (std::uint64_t k = 0; k < steps; ++k) {
      PreparedMouse mouse(link);
      const bool edits_profile = std::string(sequence.name) == "dpi stage";
      const auto before = FolderSnapshot(mouse.rig.user_root());
      mouse.device().Faults().UnplugAfterRequests(static_cast<int>(k));
      const auto started = std::chrono::steady_clock::now();
      EXPECT_FALSE(sequence.run(mouse.rig.driver()))
          << sequence.name << " over the " << LinkName(link) << ", unplugged after " << k << " of "
          << steps << " requests";
      // Generous: an unplugged device fails at once; this only catches a hang.
      EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5))
          << sequence.name << " step " << k;
      EXPECT_FALSE(mouse.rig.bus().IsPlugged(link == Link::Cable ? mouse.rig.cable_id()
                                                                 : mouse.rig.receiver_id()));
      if (!edits_profile) {
        EXPECT_EQ(FolderSnapshot(mouse.rig.user_root()), before)
            << sequence.name << " step " << k << " changed a stored file";
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothLinks, MouseUnplugMatrix,
                         ::testing::Values(Link::Cable, Link::Receiver),
                         [](const auto& param_info) {
                           return std::string(LinkName(param_info.param));
                         });

TEST(MouseUnplug, DpiEditSavesTheProfileEvenWhenThePushFails) {
  PreparedMouse mouse(Link::Cable);
  mouse.device().Faults().UnplugAfterRequests(1);
  const DpiEditResult result = mouse.rig.driver().SetDpiStageValue(0, 900);
  EXPECT_EQ(result.status, DpiEditStatus::Done);
  EXPECT_NE(result.pushed, DeviceResult::Success);
  mouse.rig.driver().LoadProfile();
  EXPECT_EQ(mouse.rig.driver().MouseProfile().GetDpiStages().at(0).StageDPIX, 900);
}

TEST(MouseRefusal, RefusedChunkGivesItsStatusAndClosesTheBracket) {
  PreparedMouse mouse(Link::Cable);
  CommandDevice& device = mouse.device();
  device.Faults().FailChunk(0x06, 2, 0xFE);
  EXPECT_EQ(mouse.rig.driver().WriteSettings(0, 0), DeviceResult::StatusFE);
  EXPECT_EQ(HexOf(device.CommandsSeen()), "01 06 06 02");
  EXPECT_FALSE(device.InConfig());

  device.ClearRequestLog();
  device.Faults().FailChunk(0x01, 1, 0xFF);
  EXPECT_EQ(mouse.rig.driver().PushKeyMap(0), DeviceResult::StatusFF);
  EXPECT_EQ(HexOf(device.CommandsSeen()), "03 01") << "nothing after a refused BeginConfig";
}

TEST(MouseRefusal, RefusedKeyMapReadKeepsThePositionsReadBefore) {
  PreparedMouse mouse(Link::Receiver);
  MouseDriver& driver = mouse.rig.driver();
  const auto positions = driver.KeyPositionMap();
  const Bytes image = driver.KeyMapImage();
  mouse.device().Faults().FailChunk(0x07, 2, 0xFE);
  EXPECT_EQ(driver.ReadKeyData(), DeviceResult::StatusFE);
  EXPECT_EQ(driver.KeyPositionMap(), positions);
  EXPECT_EQ(driver.KeyMapImage(), image);
  EXPECT_FALSE(mouse.device().InConfig());
}

TEST(MouseRefusal, RefusedMacroUploadIsReportedNotSuccess) {
  PreparedMouse mouse(Link::Cable);
  mouse.device().Faults().FailChunk(0x15, 1, 0xFE);
  const MacroPushResult result = mouse.rig.driver().WriteMacroTable();
  EXPECT_EQ(result.status, MacroPushStatus::TransferFailed);
  EXPECT_EQ(result.Code(), -103);
  EXPECT_FALSE(result.Ok());
}

TEST(MouseStale, StaleRepliesAheadOfEveryAnswerStillCompleteThePushes) {
  for (const Link link : {Link::Cable, Link::Receiver}) {
    PreparedMouse mouse(link);
    mouse.device().Faults().QueueStaleReply(1000);
    EXPECT_EQ(mouse.rig.driver().WriteSettings(0, 0), DeviceResult::Success) << LinkName(link);
    if (link == Link::Cable) {
      EXPECT_EQ(mouse.rig.driver().WriteShootTable().status, MacroPushStatus::Sent);
    }
    EXPECT_EQ(mouse.rig.driver().ReadSettings(), DeviceResult::Success) << LinkName(link);
    mouse.device().Faults().Clear();
  }
}

TEST(MouseThreads, ReadersOfBothConnectionsStopPromptlyOnShutdown) {
  MouseRig rig;
  rig.AttachCable();
  rig.AttachReceiver();
  MouseDriver& driver = rig.driver();
  ASSERT_TRUE(driver.Notifications().Bind(rig.NotificationPath(rig.cable_id()),
                                          hid::DeviceKind::MouseCable));
  ASSERT_TRUE(driver.Notifications().Bind(rig.NotificationPath(rig.receiver_id()),
                                          hid::DeviceKind::MouseReceiver));
  ASSERT_TRUE(driver.LiveFrames().Start());
  // One reader loses its device while it waits.
  rig.bus().Unplug(rig.cable_id());
  const auto started = std::chrono::steady_clock::now();
  driver.Shutdown();
  // Each stop is bounded by 500 ms; this only catches a reader that never ends.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
  EXPECT_FALSE(driver.Notifications().IsBound(hid::DeviceKind::MouseCable));
  EXPECT_FALSE(driver.Notifications().IsBound(hid::DeviceKind::MouseReceiver));
}

}  // namespace
}  // namespace norvik::devices
