#include "hid/report_descriptor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "hid/hid_test_descriptors.h"

namespace norvik::hid {
namespace {

using ::testing::ElementsAre;
using Bytes = std::vector<std::uint8_t>;

PreparsedData ParseSingle(const Bytes& descriptor) {
  auto parsed = ParseReportDescriptor(descriptor);
  EXPECT_TRUE(parsed.has_value());
  if (!parsed || parsed->size() != 1) {
    ADD_FAILURE() << "expected one top-level collection";
    return {};
  }
  return parsed->front();
}

// The usages of a button element up to its 0 terminator.
std::vector<std::uint16_t> ListedUsages(const HidData& element) {
  std::vector<std::uint16_t> listed;
  for (std::uint16_t usage : element.button_data.usages) {
    if (usage == 0) break;
    listed.push_back(usage);
  }
  return listed;
}

// Wraps data items into one application collection of usage page 1, usage 0.
Bytes InCollection(const Bytes& items) {
  Bytes descriptor = {0x05, 0x01, 0x09, 0x00, 0xA1, 0x01};
  descriptor.insert(descriptor.end(), items.begin(), items.end());
  descriptor.push_back(0xC0);
  return descriptor;
}

TEST(ReportDescriptor, BootKeyboardCapsMatchTheClassExample) {
  const PreparsedData keyboard = ParseSingle(test::kBootKeyboard);
  EXPECT_EQ(keyboard.caps.usage_page, 0x01);
  EXPECT_EQ(keyboard.caps.usage, 0x06);
  EXPECT_EQ(keyboard.caps.input_report_byte_length, 9) << "id byte + modifiers + reserved + 6";
  EXPECT_EQ(keyboard.caps.output_report_byte_length, 2) << "id byte + LED byte";
  EXPECT_EQ(keyboard.caps.feature_report_byte_length, 0);
  EXPECT_EQ(keyboard.caps.number_input_button_caps, 2);
  EXPECT_EQ(keyboard.caps.number_input_value_caps, 0);
  EXPECT_EQ(keyboard.caps.number_output_button_caps, 1);
  EXPECT_FALSE(keyboard.uses_report_ids);

  const auto& modifiers = keyboard.Of(ReportType::Input).button_caps[0];
  EXPECT_FALSE(modifiers.is_array);
  EXPECT_EQ(modifiers.usage_min, 0xE0);
  EXPECT_EQ(modifiers.usage_max, 0xE7);
  EXPECT_EQ(modifiers.bit_offset, 8u);
  const auto& keys = keyboard.Of(ReportType::Input).button_caps[1];
  EXPECT_TRUE(keys.is_array);
  EXPECT_EQ(keys.bit_offset, 24u) << "after the modifiers and the reserved byte";
  EXPECT_EQ(keys.bit_size, 8);
  EXPECT_EQ(keys.report_count, 6);
  EXPECT_EQ(MaxUsageListLength(ReportType::Input, 0x07, keyboard), 14u) << "8 bits + 6 slots";
  EXPECT_EQ(MaxUsageListLength(ReportType::Output, 0x08, keyboard), 5u);
  EXPECT_EQ(MaxUsageListLength(ReportType::Input, 0x08, keyboard), 0u);
}

TEST(ReportDescriptor, BootMouseHasSignedRelativeValuesInsideItsPointerCollection) {
  const PreparsedData mouse = ParseSingle(test::kBootMouse);
  EXPECT_EQ(mouse.caps.usage, 0x02);
  EXPECT_EQ(mouse.caps.input_report_byte_length, 4);
  EXPECT_EQ(mouse.caps.number_link_collection_nodes, 2);
  ASSERT_EQ(mouse.Of(ReportType::Input).value_caps.size(), 2u);
  const HidValueCaps& x = mouse.Of(ReportType::Input).value_caps[0];
  const HidValueCaps& y = mouse.Of(ReportType::Input).value_caps[1];
  EXPECT_EQ(x.usage_min, 0x30);
  EXPECT_EQ(y.usage_min, 0x31);
  EXPECT_EQ(x.logical_min, -127);
  EXPECT_EQ(x.logical_max, 127);
  EXPECT_FALSE(x.is_absolute);
  EXPECT_EQ(x.bit_offset, 16u);
  EXPECT_EQ(y.bit_offset, 24u);
  EXPECT_EQ(x.link_collection, 1) << "inside the physical pointer collection";
  EXPECT_EQ(x.link_usage, 0x01);
  EXPECT_EQ(mouse.link_collections[1].parent, 0);
}

TEST(ReportDescriptor, VendorCommandCollectionReportsAreSixtyFourBytesWithTheId) {
  const PreparsedData vendor = ParseSingle(test::kVendorCommand);
  EXPECT_EQ(vendor.caps.usage_page, 0xFF1C);
  EXPECT_EQ(vendor.caps.usage, 0x92);
  EXPECT_EQ(vendor.caps.input_report_byte_length, 64);
  EXPECT_EQ(vendor.caps.output_report_byte_length, 64);
  EXPECT_TRUE(vendor.uses_report_ids);
  EXPECT_TRUE(vendor.HasReportId(ReportType::Input, 4));
  EXPECT_TRUE(vendor.HasReportId(ReportType::Output, 4));
  EXPECT_FALSE(vendor.HasReportId(ReportType::Feature, 4));
  ASSERT_EQ(vendor.Of(ReportType::Output).value_caps.size(), 1u);
  EXPECT_EQ(vendor.Of(ReportType::Output).value_caps[0].report_count, 63)
      << "one usage spans all 63 bytes as a value array";
}

TEST(ReportDescriptor, CompositeInterfaceSplitsIntoFourCollectionsInDescriptorOrder) {
  const auto parsed = ParseReportDescriptor(test::kCompositeInterface);
  ASSERT_TRUE(parsed.has_value());
  ASSERT_EQ(parsed->size(), 4u);
  const auto& keyboard = (*parsed)[0];
  const auto& system = (*parsed)[1];
  const auto& consumer = (*parsed)[2];
  const auto& vendor = (*parsed)[3];
  EXPECT_EQ(keyboard.caps.usage, 0x06);
  EXPECT_EQ(system.caps.usage, 0x80);
  EXPECT_EQ(consumer.caps.usage_page, 0x0C);
  EXPECT_EQ(consumer.caps.usage, 0x01);
  EXPECT_EQ(vendor.caps.usage_page, 0xFF1C);

  EXPECT_EQ(keyboard.caps.input_report_byte_length, 9);
  EXPECT_EQ(keyboard.caps.output_report_byte_length, 2);
  EXPECT_EQ(system.caps.input_report_byte_length, 2);
  EXPECT_EQ(system.caps.output_report_byte_length, 0);
  EXPECT_EQ(consumer.caps.input_report_byte_length, 3);
  EXPECT_EQ(vendor.caps.input_report_byte_length, 64);

  EXPECT_THAT(keyboard.Of(ReportType::Input).report_ids, ElementsAre(1));
  EXPECT_THAT(system.Of(ReportType::Input).report_ids, ElementsAre(2));
  EXPECT_THAT(consumer.Of(ReportType::Input).report_ids, ElementsAre(3));
  EXPECT_THAT(vendor.Of(ReportType::Output).report_ids, ElementsAre(4));
  for (const auto& collection : *parsed) EXPECT_TRUE(collection.uses_report_ids);
}

TEST(ReportDescriptor, BitOffsetsRestartForEveryReportId) {
  // Report 1: one byte; report 2: two bytes. Each report's first field sits right after its id.
  const Bytes descriptor = InCollection({
      0x85, 0x01, 0x09, 0x30, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02,
      0x85, 0x02, 0x09, 0x31, 0x75, 0x10, 0x95, 0x01, 0x27, 0xFF, 0xFF, 0x00, 0x00, 0x81, 0x02,
  });
  const PreparsedData data = ParseSingle(descriptor);
  const auto& values = data.Of(ReportType::Input).value_caps;
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].report_id, 1);
  EXPECT_EQ(values[0].bit_offset, 8u);
  EXPECT_EQ(values[1].report_id, 2);
  EXPECT_EQ(values[1].bit_offset, 8u);
  EXPECT_EQ(values[1].logical_max, 0xFFFF);
  EXPECT_EQ(data.caps.input_report_byte_length, 3) << "the longer report: id + 2 bytes";
}

TEST(ReportDescriptor, GlobalPushAndPopRestoreReportSizeAndPage) {
  const Bytes descriptor = InCollection({
      0x75, 0x08, 0x95, 0x01, 0x15, 0x00, 0x25, 0x7F,  // size 8, count 1
      0xA4,                                            // Push
      0x05, 0x09, 0x75, 0x04,                          // button page, size 4
      0xB4,                                            // Pop
      0x09, 0x30, 0x81, 0x02,                          // X with the restored page and size
  });
  const PreparsedData data = ParseSingle(descriptor);
  ASSERT_EQ(data.Of(ReportType::Input).value_caps.size(), 1u);
  const HidValueCaps& x = data.Of(ReportType::Input).value_caps[0];
  EXPECT_EQ(x.usage_page, 0x01);
  EXPECT_EQ(x.bit_size, 8);
}

TEST(ReportDescriptor, UsagesTakeTheUsagePageInForceAtTheMainItemUnlessExtended) {
  const Bytes descriptor = InCollection({
      0x09, 0xB5,                    // Usage (0xB5), page not yet given
      0x0B, 0xE9, 0x00, 0x0C, 0x00,  // Usage (0x000C:0x00E9), extended
      0x05, 0x0C,                    // Usage Page (Consumer), after the usage
      0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x02, 0x81, 0x02,
  });
  const PreparsedData data = ParseSingle(descriptor);
  const auto& buttons = data.Of(ReportType::Input).button_caps;
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0].usage_page, 0x0C);
  EXPECT_EQ(buttons[0].usage_min, 0xB5);
  EXPECT_EQ(buttons[1].usage_page, 0x0C);
  EXPECT_EQ(buttons[1].usage_min, 0xE9);

  const Bytes extended_other_page = InCollection({
      0x05,
      0x01,  // Generic Desktop in force
      0x0B,
      0xE9,
      0x00,
      0x0C,
      0x00,  // but the usage names the consumer page
      0x15,
      0x00,
      0x25,
      0x01,
      0x75,
      0x01,
      0x95,
      0x01,
      0x81,
      0x02,
  });
  const PreparsedData other = ParseSingle(extended_other_page);
  ASSERT_EQ(other.Of(ReportType::Input).button_caps.size(), 1u);
  EXPECT_EQ(other.Of(ReportType::Input).button_caps[0].usage_page, 0x0C);
}

TEST(ReportDescriptor, LogicalMaximumIsUnsignedWhenTheMinimumIsNotNegative) {
  const Bytes descriptor = InCollection({
      0x09, 0x30, 0x15, 0x00, 0x25, 0xFF, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02,  // 0..255
      0x09, 0x31, 0x15, 0x80, 0x25, 0x7F, 0x81, 0x02,                          // -128..127
  });
  const PreparsedData data = ParseSingle(descriptor);
  const auto& values = data.Of(ReportType::Input).value_caps;
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].logical_min, 0);
  EXPECT_EQ(values[0].logical_max, 255);
  EXPECT_EQ(values[1].logical_min, -128);
  EXPECT_EQ(values[1].logical_max, 127);
}

TEST(ReportDescriptor, LongItemsAreSkippedWithoutChangingTheLayout) {
  Bytes with_long = {0xFE, 0x03, 0x42, 0x85, 0x01, 0x81};  // long item whose data looks like items
  with_long.insert(with_long.end(), test::kBootMouse.begin(), test::kBootMouse.end());
  const PreparsedData plain = ParseSingle(test::kBootMouse);
  const PreparsedData skipped = ParseSingle(with_long);
  EXPECT_FALSE(skipped.uses_report_ids);
  EXPECT_EQ(skipped.caps.input_report_byte_length, plain.caps.input_report_byte_length);
  EXPECT_EQ(skipped.caps.number_input_value_caps, plain.caps.number_input_value_caps);
}

TEST(ReportDescriptor, OnlyTheFirstUsageOfADelimiterSetCounts) {
  const Bytes descriptor = InCollection({
      0xA9,
      0x01,  // Delimiter open
      0x09,
      0x30,  // Usage (X)
      0x09,
      0x31,  // Usage (Y), an alternative
      0xA9,
      0x00,  // Delimiter close
      0x15,
      0x00,
      0x25,
      0x7F,
      0x75,
      0x08,
      0x95,
      0x01,
      0x81,
      0x02,
  });
  const PreparsedData data = ParseSingle(descriptor);
  ASSERT_EQ(data.Of(ReportType::Input).value_caps.size(), 1u);
  EXPECT_EQ(data.Of(ReportType::Input).value_caps[0].usage_min, 0x30);
}

TEST(ReportDescriptor, VariableFieldsBeyondTheUsagesRepeatASingleLastUsageAndPadAfterARange) {
  const Bytes descriptor = InCollection({
      0x05, 0x09, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01,  //
      0x09, 0x01, 0x95, 0x03, 0x81, 0x02,              // one usage over three bits
      0x19, 0x04, 0x29, 0x05, 0x95, 0x04, 0x81, 0x02,  // range of two over four bits
  });
  const PreparsedData data = ParseSingle(descriptor);
  const auto& buttons = data.Of(ReportType::Input).button_caps;
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0].report_count, 3);
  EXPECT_EQ(buttons[1].usage_min, 4);
  EXPECT_EQ(buttons[1].usage_max, 5);
  EXPECT_EQ(buttons[1].report_count, 2);
  EXPECT_EQ(buttons[1].bit_offset, 11u);
  EXPECT_EQ(data.caps.input_report_byte_length, 2) << "7 bits round up to one byte + id";
}

TEST(ReportDescriptor, ItemsOutsideAnyCollectionTakeRoomButNoCaps) {
  const Bytes descriptor = {
      0x75, 0x08, 0x95, 0x01, 0x81, 0x01,                          // stray constant byte
      0x05, 0x01, 0x09, 0x00, 0xA1, 0x01, 0x09, 0x30, 0x15, 0x00,  //
      0x25, 0x7F, 0x81, 0x02, 0xC0,
  };
  const PreparsedData data = ParseSingle(descriptor);
  ASSERT_EQ(data.Of(ReportType::Input).value_caps.size(), 1u);
  EXPECT_EQ(data.Of(ReportType::Input).value_caps[0].bit_offset, 16u);
}

TEST(ReportDescriptor, MalformedDescriptorsAreRefused) {
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"empty", {}},
      {"no collection", {0x05, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}},
      {"truncated item data", {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x26, 0xFF}},
      {"truncated long item", {0xFE, 0x05, 0x00, 0x01}},
      {"unclosed collection", {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01}},
      {"end without collection", {0xC0}},
      {"pop without push", InCollection({0xB4})},
      {"report id 0", InCollection({0x85, 0x00})},
      {"reserved item type", InCollection({0x0C})},
      {"nested delimiter", InCollection({0xA9, 0x01, 0xA9, 0x01})},
      {"delimiter left open", InCollection({0xA9, 0x01, 0x09, 0x30})},
      {"usage range reversed",
       InCollection({0x19, 0x05, 0x29, 0x01, 0x75, 0x01, 0x95, 0x01, 0x81, 0x02})},
      {"data before the first report id", InCollection({0x09, 0x30, 0x75, 0x08, 0x95, 0x01, 0x81,
                                                        0x02, 0x85, 0x01, 0x09, 0x31, 0x81, 0x02})},
      {"report too long", InCollection({0x09, 0x30, 0x75, 0x08, 0x96, 0x01, 0x50, 0x81, 0x02})},
  };
  for (const auto& [name, descriptor] : cases) {
    EXPECT_FALSE(ParseReportDescriptor(descriptor).has_value()) << name;
  }
}

TEST(ReportDescriptor, StacksAndDepthsAreBounded) {
  Bytes pushes;
  for (std::size_t i = 0; i <= kMaxGlobalStackDepth; ++i) pushes.push_back(0xA4);
  EXPECT_FALSE(ParseReportDescriptor(InCollection(pushes)).has_value()) << "push overflow";

  Bytes nested;
  for (std::size_t i = 0; i <= kMaxCollectionDepth; ++i) {
    nested.insert(nested.end(), {0xA1, 0x00});
  }
  for (std::size_t i = 0; i <= kMaxCollectionDepth; ++i) nested.push_back(0xC0);
  EXPECT_FALSE(ParseReportDescriptor(nested).has_value()) << "collection depth";

  Bytes many_usages;
  for (std::size_t i = 0; i <= kMaxLocalUsages; ++i)
    many_usages.insert(many_usages.end(), {0x09, 0x30});
  EXPECT_FALSE(ParseReportDescriptor(InCollection(many_usages)).has_value()) << "usage list";

  // 4097 button bits, and 16385 two-bit values of one range, exceed what one collection may
  // make the device allocate.
  EXPECT_FALSE(ParseReportDescriptor(InCollection({0x05, 0x09, 0x19, 0x01, 0x2A, 0xFF, 0xFF, 0x75,
                                                   0x01, 0x96, 0x01, 0x10, 0x81, 0x02}))
                   .has_value())
      << "button slots";
  EXPECT_FALSE(ParseReportDescriptor(InCollection({0x19, 0x00, 0x2A, 0xFF, 0xFF, 0x75, 0x02, 0x96,
                                                   0x01, 0x40, 0x81, 0x02}))
                   .has_value())
      << "value elements";
  EXPECT_TRUE(ParseReportDescriptor(InCollection({0x19, 0x00, 0x2A, 0xFF, 0xFF, 0x75, 0x02, 0x96,
                                                  0x00, 0x40, 0x81, 0x02}))
                  .has_value())
      << "16384 value elements are still taken";

  Bytes at_limit;
  for (std::size_t i = 0; i < kMaxGlobalStackDepth; ++i) at_limit.push_back(0xA4);
  for (std::size_t i = 0; i < kMaxGlobalStackDepth; ++i) at_limit.push_back(0xB4);
  EXPECT_TRUE(ParseReportDescriptor(InCollection(at_limit)).has_value()) << "push at the limit";
}

TEST(ReportDescriptor, DataElementsAreOnePerButtonCapThenOnePerValueUsage) {
  const Bytes descriptor = InCollection({
      0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x03, 0x81,
      0x02,                                                        // buttons 1..3
      0x95, 0x01, 0x75, 0x05, 0x81, 0x01,                          // padding
      0x05, 0x01, 0x19, 0x30, 0x29, 0x32, 0x15, 0x00, 0x25, 0x7F,  // X..Z as a range
      0x75, 0x08, 0x95, 0x03, 0x81, 0x02,
  });
  const PreparsedData data = ParseSingle(descriptor);
  const std::vector<HidData> elements = BuildDataElements(ReportType::Input, data);
  ASSERT_EQ(elements.size(), 4u);
  EXPECT_TRUE(elements[0].is_button_data);
  EXPECT_EQ(elements[0].button_data.usage_min, 1);
  EXPECT_EQ(elements[0].button_data.usage_max, 3);
  EXPECT_EQ(elements[0].button_data.max_usage_length, 3u);
  EXPECT_EQ(elements[0].button_data.usages.size(), 3u);
  EXPECT_FALSE(elements[1].is_button_data);
  EXPECT_EQ(elements[1].value_data.usage, 0x30);
  EXPECT_EQ(elements[2].value_data.usage, 0x31);
  EXPECT_EQ(elements[3].value_data.usage, 0x32);
  EXPECT_EQ(data.caps.number_input_data_indices, 6) << "three buttons and three values";
}

// --- unpacking -----------------------------------------------------------------------------

TEST(UnpackReport, KeyboardKeepsEachElementsUsagesWithinItsRangePackedToTheFront) {
  const PreparsedData keyboard = ParseSingle(test::kBootKeyboard);
  std::vector<HidData> elements = BuildDataElements(ReportType::Input, keyboard);
  ASSERT_EQ(elements.size(), 2u);
  // Left shift held; keys 'a' (4) and 'b' (5) in slots 2 and 4.
  const Bytes report = {0x00, 0x02, 0x00, 0x00, 0x04, 0x00, 0x05, 0x00, 0x00};
  ASSERT_TRUE(UnpackReport(elements, report, ReportType::Input, keyboard));
  EXPECT_THAT(ListedUsages(elements[0]), ElementsAre(0xE1));
  EXPECT_THAT(ListedUsages(elements[1]), ElementsAre(0x04, 0x05));
  EXPECT_EQ(elements[0].status, HidStatus::Success);
  EXPECT_TRUE(elements[0].is_data_set);
  EXPECT_TRUE(elements[1].is_data_set);
}

TEST(UnpackReport, ReleasedKeysLeaveNoEarlierUsagesBehindTheTerminator) {
  const PreparsedData keyboard = ParseSingle(test::kBootKeyboard);
  std::vector<HidData> elements = BuildDataElements(ReportType::Input, keyboard);
  const Bytes three_keys = {0x00, 0x00, 0x00, 0x04, 0x05, 0x06, 0x00, 0x00, 0x00};
  const Bytes one_key = {0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00};
  ASSERT_TRUE(UnpackReport(elements, three_keys, ReportType::Input, keyboard));
  ASSERT_TRUE(UnpackReport(elements, one_key, ReportType::Input, keyboard));
  const auto& usages = elements[1].button_data.usages;
  EXPECT_EQ(usages[0], 0x07);
  for (std::size_t i = 1; i < usages.size(); ++i) EXPECT_EQ(usages[i], 0) << "slot " << i;
}

TEST(UnpackReport, MouseValuesAreSignExtendedInTheScaledValueOnly) {
  const PreparsedData mouse = ParseSingle(test::kBootMouse);
  std::vector<HidData> elements = BuildDataElements(ReportType::Input, mouse);
  ASSERT_EQ(elements.size(), 3u);
  const Bytes report = {0x00, 0x05, 0xFF, 0x81};  // buttons 1 and 3, X -1, Y -127
  ASSERT_TRUE(UnpackReport(elements, report, ReportType::Input, mouse));
  EXPECT_THAT(ListedUsages(elements[0]), ElementsAre(1, 3));
  EXPECT_EQ(elements[1].value_data.usage, 0x30);
  EXPECT_EQ(elements[1].value_data.value, 0xFFu);
  EXPECT_EQ(elements[1].value_data.scaled_value, -1);
  EXPECT_EQ(elements[2].value_data.value, 0x81u);
  EXPECT_EQ(elements[2].value_data.scaled_value, -127);
}

TEST(UnpackReport, ConsumerArrayReportsTheUsageOfItsIndex) {
  const PreparsedData consumer = ParseSingle(test::kConsumerControl);
  std::vector<HidData> elements = BuildDataElements(ReportType::Input, consumer);
  ASSERT_EQ(elements.size(), 1u);
  EXPECT_EQ(elements[0].report_id, 3u);
  ASSERT_TRUE(UnpackReport(elements, Bytes{0x03, 0xE9, 0x00}, ReportType::Input, consumer));
  EXPECT_THAT(ListedUsages(elements[0]), ElementsAre(0xE9));
  ASSERT_TRUE(UnpackReport(elements, Bytes{0x03, 0x00, 0x00}, ReportType::Input, consumer));
  EXPECT_THAT(ListedUsages(elements[0]), ElementsAre()) << "index 0 is no key";
}

TEST(UnpackReport, AReportOfAnotherIdLeavesEveryElementUntouchedAndSucceeds) {
  const PreparsedData consumer = ParseSingle(test::kConsumerControl);
  std::vector<HidData> elements = BuildDataElements(ReportType::Input, consumer);
  ASSERT_TRUE(UnpackReport(elements, Bytes{0x03, 0xEA, 0x00}, ReportType::Input, consumer));
  elements[0].is_data_set = false;
  EXPECT_TRUE(UnpackReport(elements, Bytes{0x02, 0xE9, 0x00}, ReportType::Input, consumer));
  EXPECT_FALSE(elements[0].is_data_set);
  EXPECT_THAT(ListedUsages(elements[0]), ElementsAre(0xEA));
}

TEST(UnpackReport, ArrayOfListedUsagesMapsIndicesInListOrder) {
  const Bytes descriptor = InCollection({
      0x05, 0x0C, 0x09, 0xE9, 0x09, 0xEA, 0x09, 0xE2,  // volume up, down, mute
      0x15, 0x01, 0x25, 0x03, 0x75, 0x02, 0x95, 0x02,
      0x81, 0x00, 0x75, 0x04, 0x95, 0x01, 0x81, 0x01,
  });
  const PreparsedData data = ParseSingle(descriptor);
  std::vector<HidData> elements = BuildDataElements(ReportType::Input, data);
  ASSERT_EQ(elements.size(), 3u) << "one cap per listed usage";
  EXPECT_EQ(elements[0].button_data.max_usage_length, 2u) << "two slots shared by three caps";
  // Slot 0 = 2 (second usage), slot 1 = 3 (third usage).
  ASSERT_TRUE(UnpackReport(elements, Bytes{0x00, 0x0E}, ReportType::Input, data));
  EXPECT_THAT(ListedUsages(elements[0]), ElementsAre());
  EXPECT_THAT(ListedUsages(elements[1]), ElementsAre(0xEA));
  EXPECT_THAT(ListedUsages(elements[2]), ElementsAre(0xE2));
}

TEST(UnpackReport, FieldsCrossingByteBoundariesAreReadLittleEndian) {
  const Bytes descriptor = InCollection({
      0x09,
      0x30,
      0x09,
      0x31,
      0x16,
      0x01,
      0xF8,
      0x26,
      0xFF,
      0x07,  // -2047..2047
      0x75,
      0x0C,
      0x95,
      0x02,
      0x81,
      0x06,
  });
  const PreparsedData data = ParseSingle(descriptor);
  std::vector<HidData> elements = BuildDataElements(ReportType::Input, data);
  ASSERT_EQ(elements.size(), 2u);
  // X = 0x123 (291), Y = 0xFFE (-2) packed as 23 E1 FF.
  ASSERT_TRUE(UnpackReport(elements, Bytes{0x00, 0x23, 0xE1, 0xFF}, ReportType::Input, data));
  EXPECT_EQ(elements[0].value_data.value, 0x123u);
  EXPECT_EQ(elements[0].value_data.scaled_value, 291);
  EXPECT_EQ(elements[1].value_data.value, 0xFFEu);
  EXPECT_EQ(elements[1].value_data.scaled_value, -2);
}

TEST(UnpackReport, ScaledValuesFollowThePhysicalRangeAndFlagOutOfRangeValues) {
  const Bytes descriptor = InCollection({
      0x09, 0x30, 0x15, 0x00, 0x25, 0x64, 0x35, 0x00, 0x46, 0xE8, 0x03,  // 0..100 -> 0..1000
      0x75, 0x08, 0x95, 0x01, 0x81, 0x02,                                // X, no null state
      0x09, 0x31, 0x81, 0x42,                                            // Y, null state
  });
  const PreparsedData data = ParseSingle(descriptor);
  std::vector<HidData> elements = BuildDataElements(ReportType::Input, data);
  ASSERT_EQ(elements.size(), 2u);
  ASSERT_TRUE(UnpackReport(elements, Bytes{0x00, 0x32, 0x64}, ReportType::Input, data));
  EXPECT_EQ(elements[0].value_data.scaled_value, 500);
  EXPECT_EQ(elements[0].status, HidStatus::Success);
  EXPECT_EQ(elements[1].value_data.scaled_value, 1000);

  // 200 lies outside 0..100: the raw value is still delivered, the scaled one is flagged.
  ASSERT_TRUE(UnpackReport(elements, Bytes{0x00, 0xC8, 0xC8}, ReportType::Input, data));
  EXPECT_EQ(elements[0].value_data.value, 200u);
  EXPECT_EQ(elements[0].status, HidStatus::ValueOutOfRange);
  EXPECT_EQ(elements[1].status, HidStatus::Null);
}

TEST(UnpackReport, AShortReportFailsAtTheFirstValueItCannotReach) {
  const PreparsedData mouse = ParseSingle(test::kBootMouse);
  std::vector<HidData> elements = BuildDataElements(ReportType::Input, mouse);
  const Bytes short_report = {0x00, 0x01, 0x05};  // Y is missing
  EXPECT_FALSE(UnpackReport(elements, short_report, ReportType::Input, mouse));
  EXPECT_TRUE(elements[1].is_data_set) << "X was filled before Y failed";
  EXPECT_EQ(elements[1].value_data.scaled_value, 5);
  EXPECT_FALSE(elements[2].is_data_set);
  EXPECT_EQ(elements[2].status, HidStatus::InvalidReportLength);
  EXPECT_FALSE(UnpackReport(elements, Bytes{}, ReportType::Input, mouse)) << "empty report";
}

TEST(UnpackReport, GetUsagesReportsTheNeededLengthWhenTheListIsTooSmall) {
  const PreparsedData keyboard = ParseSingle(test::kBootKeyboard);
  const Bytes report = {0x00, 0x03, 0x00, 0x04, 0x05, 0x06, 0x00, 0x00, 0x00};
  std::vector<std::uint16_t> list(2);
  std::uint32_t length = 0;
  EXPECT_EQ(GetUsages(ReportType::Input, 0x07, list, &length, report, keyboard),
            HidStatus::BufferTooSmall);
  EXPECT_EQ(length, 5u);
  EXPECT_THAT(list, ElementsAre(0xE0, 0xE1));
  EXPECT_EQ(GetUsages(ReportType::Input, 0x09, list, &length, report, keyboard),
            HidStatus::UsageNotFound);
}

TEST(UnpackReport, GetUsageValueTellsAWrongReportIdFromAnUnknownUsage) {
  const auto parsed = ParseReportDescriptor(test::kCompositeInterface);
  ASSERT_TRUE(parsed.has_value());
  const PreparsedData& vendor = (*parsed)[3];
  std::uint32_t value = 0;
  Bytes report(64, 0);
  report[0] = 4;
  report[1] = 0x5A;
  EXPECT_EQ(GetUsageValue(ReportType::Input, 0xFF1C, 0x01, &value, report, vendor),
            HidStatus::Success);
  EXPECT_EQ(value, 0x5Au);
  report[0] = 3;
  EXPECT_EQ(GetUsageValue(ReportType::Input, 0xFF1C, 0x01, &value, report, vendor),
            HidStatus::IncompatibleReportId);
  EXPECT_EQ(GetUsageValue(ReportType::Input, 0xFF1C, 0x07, &value, report, vendor),
            HidStatus::UsageNotFound);
}

}  // namespace
}  // namespace norvik::hid
