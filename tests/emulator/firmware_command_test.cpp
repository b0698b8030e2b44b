// Byte-exact replies of the emulated firmware, one command family per table row.

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "emulator_test_support.h"

namespace norvik::emulator::testing {
namespace {

namespace f = command_field;

std::shared_ptr<CommandDevice> Make(EmulatedProduct product) {
  return std::dynamic_pointer_cast<CommandDevice>(MakeEmulatedDevice(product));
}

struct ReplyRow {
  const char* name;
  EmulatedProduct product;
  CommandReport request;
  std::uint8_t status;
  Bytes data;  // expected reply bytes from byte 8 on (the rest is not checked)
  std::optional<std::uint8_t> echoed_command = std::nullopt;  // default: the request's
};

class FactoryReply : public ::testing::TestWithParam<ReplyRow> {};

TEST_P(FactoryReply, MatchesRow) {
  const ReplyRow& row = GetParam();
  auto device = Make(row.product);
  ASSERT_NE(device, nullptr);
  const CommandReport reply = AnswerOf(*device, row.request);
  EXPECT_EQ(reply[f::kReportId], kCommandReportId);
  EXPECT_EQ(reply[f::kCommand], row.echoed_command.value_or(row.request[f::kCommand]));
  EXPECT_EQ(reply[f::kLength], row.request[f::kLength]) << "length byte not echoed";
  EXPECT_EQ(reply[f::kOffsetLow], row.request[f::kOffsetLow]) << "offset low not echoed";
  EXPECT_EQ(reply[f::kOffsetHigh], row.request[f::kOffsetHigh]) << "offset high not echoed";
  EXPECT_EQ(reply[f::kStatus], row.status);
  EXPECT_EQ(Hex(DataOf(reply, row.data.size())), Hex(row.data)) << "reply data from byte 8";
  const std::uint16_t sum = CommandChecksum(reply);
  EXPECT_EQ(reply[f::kChecksumLow] | reply[f::kChecksumHigh] << 8, sum) << "reply checksum";
}

constexpr std::uint8_t kOk = kStatusOk;
constexpr std::uint8_t kFE = kStatusRefused;
constexpr std::uint8_t kFF = kStatusError;
using P = EmulatedProduct;

const ReplyRow kFactoryRows[] = {
    {"BeginConfig", P::Keyboard, Req(0x01), kOk, {0, 0, 0, 0}},
    {"EndConfig", P::MousePad, Req(0x02), kOk, {}},
    {"KeyboardInfoWhole",
     P::Keyboard,
     Req(0x03, 34, 0),
     kOk,
     {0x05, 0x01, 0x01, 0x08, 0x85, 126, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0,
      0,    0,    0,    0,    0,    0,   0,    0, 0, 0, 0, 0, 0, 0, 0, 0x34, 0x12}},
    {"SecondKeyboardSlotsAndMacroSize",
     P::SecondKeyboard,
     Req(0x03, 8, 0),
     kOk,
     {0x02, 0x01, 0x09, 0x01, 0x50, 112, 0x10, 0}},
    {"MouseInfoCarriesDpiStepAndMaximum",
     P::MouseCable,
     Req(0x03, 14, 0),
     kOk,
     {0x03, 0x02, 0x02, 0x53, 0x12, 12, 0x20, 0, 0, 0, 0, 50, 0x08, 0x02}},
    {"ReceiverInfoSecondChunk",
     P::MouseReceiver,
     Req(0x03, 10, 24),
     kOk,
     {0, 0, 0, 0, 0, 0, 0, 0, 0x21, 0x03}},
    {"InfoPastTheBlockRefused", P::Keyboard, Req(0x03, 35, 0), kFE, {0, 0}},
    {"ActiveProfileIndex", P::Keyboard, Req(0x05, 1, 0), kOk, {0x00}},
    {"KeyboardSettingsBlock", P::Keyboard, Req(0x05, 26, 0), kOk, {0, 1, 4, 2, 0, 1, 0xFF, 0, 0x80,
                                                                   0, 0, 0, 0, 0, 0, 0,    0, 0,
                                                                   0, 0, 0, 0, 3, 0, 0,    0}},
    {"MouseStagesAtTheirOffsets",
     P::MouseCable,
     Req(0x05, 18, 12),
     kOk,
     {1, 0, 1, 0, 0x90, 0x01, 0x90, 0x01, 0xFF, 0, 0, 1, 0, 0x20, 0x03, 0x20, 0x03, 0}},
    {"SettingsReadPastTheEndRefused", P::Keyboard, Req(0x05, 10, 250), kFE, {0}},
    {"KeyMapSlotsInMatrixOrder",
     P::Keyboard,
     Req(0x07, 9, 0),
     kOk,
     {0x20, 0x00, 0x29, 0x20, 0x00, 0x3E, 0x20, 0x00, 0x43}},
    {"MouseButtonsInMatrixOrder",
     P::MouseCable,
     Req(0x07, 15, 0),
     kOk,
     {0x10, 0x01, 0x00, 0x10, 0x02, 0x00, 0x10, 0x08, 0x00, 0x10, 0x10, 0x00, 0x10, 0x04, 0x00}},
    {"KeyMapSecondBankStartsEmpty", P::Keyboard, Req(0x07, 3, 512), kOk, {0, 0, 0}},
    {"KeyMapThirdBankRefused", P::Keyboard, Req(0x07, 3, 1024), kFE, {0, 0, 0}},
    {"KeyMapReadPastTheSlotsRefused", P::Keyboard, Req(0x07, 6, 375), kFE, {}},
    {"KeyTableGivesEachSlotsLed", P::Keyboard, Req(0x1B, 4, 0), kOk, {0, 5, 10, 15}},
    {"KeyTableUnknownToTheMouse", P::MouseCable, Req(0x1B, 4, 0), kFF, {0}},
    {"StatusBlock", P::MouseCable, Req(0x1A, 6, 0), kOk, {85, 1, 0, 0, 85, 0}},
    {"MousePadStatusBlock", P::MousePad, Req(0x1A, 6, 0), kOk, {100, 0, 0, 0, 1, 0}},
    {"SoftwareLighting", P::Keyboard, Req(0x1C), kOk, {}},
    {"UnknownCommand", P::Keyboard, Req(0x42), kFF, {}},
    {"LengthAboveFiftySixRefused", P::Keyboard, Req(0x05, 57, 0), kFF, {0}},
    {"CableMouseKnowsNoLinkQuery", P::MouseCable, Req(0xAA), kFF, {0}},
    {"ReceiverLinkUp", P::MouseReceiver, Req(0xAA), kOk, {0xFF}},
    {"KeyboardHasNoShootMemory", P::Keyboard, Req(0x17, 4, 0, {1, 2, 3, 4}), kFF, {}},
    {"MousePadHasNoKeyMap", P::MousePad, Req(0x07, 3, 0), kFF, {0, 0, 0}},
    {"ZeroLengthWriteAccepted", P::Keyboard, Req(0x06, 0, 0), kOk, {}},
};

INSTANTIATE_TEST_SUITE_P(EmulatedFirmware, FactoryReply, ::testing::ValuesIn(kFactoryRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(EmulatedFirmware, BadChecksumIsRefusedWithFFAndNotExecuted) {
  auto kb = Make(P::Keyboard);
  CommandReport write = Req(0x06, 4, 8, {9, 9, 9, 9});
  write[f::kChecksumLow] ^= 0x01;
  const CommandReport reply = AnswerOf(*kb, write);
  EXPECT_EQ(reply[f::kCommand], 0x06);
  EXPECT_EQ(reply[f::kStatus], kStatusError);
  const Bytes settings = kb->SettingsMemory();
  EXPECT_EQ(Hex(Bytes(settings.begin() + 8, settings.begin() + 12)), "80000000")
      << "settings bytes 8-11 changed by a refused request";
}

TEST(EmulatedFirmware, SettingsWriteIsReadBackAndVisible) {
  auto kb = Make(P::Keyboard);
  const Bytes factory = kb->SettingsMemory();
  const Bytes data = Pattern(26, 0x30);
  EXPECT_EQ(AnswerOf(*kb, Req(0x06, 26, 25, data))[f::kStatus], kStatusOk);
  EXPECT_EQ(Hex(DataOf(AnswerOf(*kb, Req(0x05, 26, 25)), 26)), Hex(data));
  const Bytes memory = kb->SettingsMemory();
  EXPECT_EQ(Hex(Bytes(memory.begin() + 25, memory.begin() + 51)), Hex(data));
  EXPECT_EQ(memory[24], factory[24]) << "byte before the write changed";
  EXPECT_EQ(memory[51], factory[51]) << "byte after the write changed";
}

TEST(EmulatedFirmware, KeyMapWritesLandInTheBankOfTheOffsetHighByte) {
  auto kb = Make(P::Keyboard);
  const Bytes bank0 = kb->KeyMap(0);
  EXPECT_EQ(bank0.size(), 126u * 3);
  const Bytes chunk = Pattern(56, 0x11);
  EXPECT_EQ(AnswerOf(*kb, Req(0x09, 56, 56, chunk))[f::kStatus], kStatusOk);
  EXPECT_EQ(AnswerOf(*kb, Req(0x09, 3, 512 + 3, {0xA0, 0x01, 0x00}))[f::kStatus], kStatusOk);
  const Bytes after0 = kb->KeyMap(0);
  EXPECT_EQ(Hex(Bytes(after0.begin() + 56, after0.begin() + 112)), Hex(chunk));
  EXPECT_EQ(Hex(Bytes(after0.begin(), after0.begin() + 56)),
            Hex(Bytes(bank0.begin(), bank0.begin() + 56)))
      << "bank 0 slots before the chunk";
  EXPECT_EQ(Hex(Bytes(after0.begin() + 3, after0.begin() + 6)),
            Hex(Bytes(bank0.begin() + 3, bank0.begin() + 6)))
      << "bank 1 write leaked into bank 0";
  const Bytes bank1 = kb->KeyMap(1);
  EXPECT_EQ(Hex(Bytes(bank1.begin(), bank1.begin() + 6)), "000000a00100");
  // The last chunk of a 378-byte map: 378 = 6 × 56 + 42.
  EXPECT_EQ(AnswerOf(*kb, Req(0x09, 42, 336, Pattern(42, 1)))[f::kStatus], kStatusOk);
  EXPECT_EQ(AnswerOf(*kb, Req(0x09, 43, 336, Pattern(43, 1)))[f::kStatus], kStatusRefused);
}

TEST(EmulatedFirmware, MacroAndShootWritesAreRefusedPastCapacity) {
  auto mouse = Make(P::MouseCable);
  EXPECT_EQ(mouse->MacroMemory().size(), 0x20u * 128);
  EXPECT_EQ(mouse->ShootMemory().size(), 4096u);
  // Exactly filling the memory is accepted; one byte more is refused and not written.
  EXPECT_EQ(AnswerOf(*mouse, Req(0x15, 56, 4096 - 56, Pattern(56, 3)))[f::kStatus], kStatusOk);
  EXPECT_EQ(AnswerOf(*mouse, Req(0x15, 2, 4095, {0xEE, 0xEE}))[f::kStatus], kStatusRefused);
  EXPECT_NE(mouse->MacroMemory()[4095], 0xEE);
  EXPECT_EQ(AnswerOf(*mouse, Req(0x17, 24, 4072, Pattern(24, 5)))[f::kStatus], kStatusOk);
  EXPECT_EQ(AnswerOf(*mouse, Req(0x17, 25, 4072, Pattern(25, 5)))[f::kStatus], kStatusRefused);
  const Bytes shoot = mouse->ShootMemory();
  EXPECT_EQ(Hex(Bytes(shoot.begin() + 4072, shoot.end())), Hex(Pattern(24, 5)));
  const Bytes macros = mouse->MacroMemory();
  EXPECT_EQ(Hex(Bytes(macros.end() - 56, macros.end())), Hex(Pattern(56, 3)));
}

TEST(EmulatedFirmware, LightBlocksAreKeptRawByOffset) {
  auto kb = Make(P::Keyboard);
  const Bytes first = Pattern(56, 0x40), second = Pattern(10, 0x90);
  EXPECT_EQ(AnswerOf(*kb, Req(0x0B, 56, 3 * 512, first))[f::kStatus], kStatusOk);
  EXPECT_EQ(AnswerOf(*kb, Req(0x0B, 10, 3 * 512 + 56, second))[f::kStatus], kStatusOk);
  EXPECT_EQ(AnswerOf(*kb, Req(0x0B, 3, 100, {1, 2, 3}))[f::kStatus], kStatusOk);
  const auto runs = kb->LightBlockRuns();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(Hex(runs.at(100)), "010203");
  Bytes joined = first;
  joined.insert(joined.end(), second.begin(), second.end());
  EXPECT_EQ(Hex(runs.at(1536)), Hex(joined));
  EXPECT_EQ(Hex(kb->LightBlockBytes(1534, 4)), Hex(Bytes{0, 0, first[0], first[1]}));
  EXPECT_EQ(AnswerOf(*kb, Req(0x0B, 56, 0xFFF0, first))[f::kStatus], kStatusRefused);
}

TEST(EmulatedFirmware, LiveFramesCountFromTheirFirstChunkAndKeepTheLast) {
  auto pad = Make(P::MousePad);
  EXPECT_EQ(AnswerOf(*pad, Req(0x12, 56, 0, Pattern(56, 1)))[f::kStatus], kStatusOk);
  EXPECT_EQ(AnswerOf(*pad, Req(0x12, 4, 56, Pattern(4, 2)))[f::kStatus], kStatusOk);
  EXPECT_EQ(AnswerOf(*pad, Req(0x12, 30, 0, Pattern(30, 9)))[f::kStatus], kStatusOk);
  EXPECT_EQ(pad->LightFrameCount(), 2u);
  EXPECT_EQ(Hex(pad->LastLightFrame()), Hex(Pattern(30, 9)));
}

TEST(EmulatedFirmware, ConfigBracketAndSoftwareLightingAreTracked) {
  auto kb = Make(P::Keyboard);
  EXPECT_FALSE(kb->InConfig());
  AnswerOf(*kb, Req(0x01));
  EXPECT_TRUE(kb->InConfig());
  AnswerOf(*kb, Req(0x02));
  AnswerOf(*kb, Req(0x1C));
  EXPECT_FALSE(kb->InConfig());
  EXPECT_EQ(kb->ConfigBeginCount(), 1u);
  EXPECT_EQ(kb->ConfigEndCount(), 1u);
  EXPECT_TRUE(kb->SoftwareLighting());
  EXPECT_EQ(Hex(kb->CommandsSeen()), "01021c");
}

TEST(EmulatedFirmware, ReceiverWithLinkDownAnswersAAAndKeepsTheMouseUntouched) {
  auto receiver = std::make_shared<EmulatedReceiver>();
  receiver->SetLinkUp(false);
  const Bytes before = receiver->SettingsMemory();
  for (const CommandReport& request :
       {Req(0x01), Req(0x06, 4, 0, {7, 7, 7, 7}), Req(0x05, 4, 0), Req(0x02)}) {
    const CommandReport reply = AnswerOf(*receiver, request);
    EXPECT_EQ(reply[f::kCommand], kReceiverUnreachable) << "request " << Hex(request);
  }
  EXPECT_EQ(Hex(receiver->SettingsMemory()), Hex(before));
  const CommandReport query = AnswerOf(*receiver, Req(0xAA));
  EXPECT_EQ(query[f::kCommand], 0xAA);
  EXPECT_EQ(query[f::kData], 0x00) << "link query while down";
  receiver->SetLinkUp(true);
  EXPECT_EQ(AnswerOf(*receiver, Req(0xAA))[f::kData], kReceiverLinkUp);
  EXPECT_EQ(AnswerOf(*receiver, Req(0x06, 4, 0, {7, 7, 7, 7}))[f::kCommand], 0x06);
  EXPECT_EQ(receiver->SettingsMemory()[3], 7);
}

TEST(EmulatedFirmware, SmallerSlotCountShrinksKeyMapAndKeyTable) {
  auto kb = Make(P::Keyboard);
  auto info = kb->InfoBlock();
  info[info_field::kKeySlots] = 104;
  kb->SetInfoBlock(info);
  EXPECT_EQ(kb->KeyMap(0).size(), 312u);
  EXPECT_EQ(kb->KeyTable().size(), 104u);
  EXPECT_EQ(AnswerOf(*kb, Req(0x07, 3, 309))[f::kStatus], kStatusOk);
  EXPECT_EQ(AnswerOf(*kb, Req(0x07, 3, 312))[f::kStatus], kStatusRefused);
  EXPECT_EQ(AnswerOf(*kb, Req(0x03, 6, 0))[f::kData + 5], 104);
}

TEST(EmulatedFirmware, FactoryResetRestoresMemoriesAndCounters) {
  auto kb = Make(P::Keyboard);
  const std::string factory = kb->Dump().toStyledString();
  AnswerOf(*kb, Req(0x01));
  AnswerOf(*kb, Req(0x06, 5, 0, {1, 2, 3, 4, 5}));
  AnswerOf(*kb, Req(0x15, 4, 0, {1, 2, 3, 4}));
  AnswerOf(*kb, Req(0x0B, 3, 0, {1, 2, 3}));
  AnswerOf(*kb, Req(0x12, 3, 0, {1, 2, 3}));
  ASSERT_NE(kb->Dump().toStyledString(), factory);
  kb->FactoryReset();
  EXPECT_EQ(kb->Dump().toStyledString(), factory);
  EXPECT_EQ(kb->RequestCount(), 0u);
}

}  // namespace
}  // namespace norvik::emulator::testing
