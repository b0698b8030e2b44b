// The emulated report descriptors parse into the collections the devices declare, and the
// notification reports they send unpack into the usages the drivers look for.

#include <gtest/gtest.h>

#include <algorithm>

#include "emulator_test_support.h"
#include "hid/report_descriptor.h"

namespace norvik::emulator::testing {
namespace {

using hid::ReportType;

std::size_t Longest(const std::vector<EmulatedReport>& reports) {
  std::size_t n = 0;
  for (const auto& r : reports) n = std::max(n, r.size);
  return n;
}

TEST(EmulatedDescriptors, EveryInterfaceParsesIntoItsDeclaredCollections) {
  for (EmulatedProduct product : kAllProducts) {
    auto device = MakeEmulatedDevice(product);
    for (const EmulatedInterface& iface : device->Interfaces()) {
      SCOPED_TRACE(std::string(ProductName(product)) + " interface " +
                   std::to_string(iface.number));
      auto parsed = hid::ParseReportDescriptor(iface.report_descriptor);
      ASSERT_TRUE(parsed.has_value());
      ASSERT_EQ(parsed->size(), iface.collections.size());
      for (std::size_t i = 0; i < parsed->size(); ++i) {
        const hid::PreparsedData& p = (*parsed)[i];
        const EmulatedCollection& c = iface.collections[i];
        EXPECT_EQ(c.number, static_cast<int>(i + 1));
        EXPECT_EQ(p.caps.usage_page, c.usage_page) << "collection " << c.number;
        EXPECT_EQ(p.caps.usage, c.usage) << "collection " << c.number;
        EXPECT_EQ(p.caps.input_report_byte_length, Longest(c.inputs)) << "collection " << c.number;
        EXPECT_EQ(p.caps.output_report_byte_length, Longest(c.outputs))
            << "collection " << c.number;
        EXPECT_EQ(p.uses_report_ids, iface.uses_report_ids);
        for (const auto& in : c.inputs) {
          EXPECT_TRUE(p.HasReportId(ReportType::Input, in.id)) << "input id " << int{in.id};
        }
        for (const auto& out : c.outputs) {
          EXPECT_TRUE(p.HasReportId(ReportType::Output, out.id)) << "output id " << int{out.id};
        }
      }
    }
  }
}

TEST(EmulatedDescriptors, CommandCollectionTakesSixtyFourByteReportsWithIdFour) {
  auto kb = MakeEmulatedDevice(EmulatedProduct::Keyboard);
  const EmulatedCollection* c = kb->FindCollection(1, 4);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->usage_page, 0xFF1C);
  EXPECT_EQ(c->usage, 0x92);
  ASSERT_EQ(c->outputs.size(), 1u);
  EXPECT_EQ(c->outputs[0].id, 4);
  EXPECT_EQ(c->outputs[0].size, 64u);
  auto headset = MakeEmulatedDevice(EmulatedProduct::Headset);
  const EmulatedCollection* h = headset->FindCollection(3, 1);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->usage_page, 0x0C);
  EXPECT_EQ(h->usage, 0x01);
  EXPECT_EQ(Longest(h->outputs), 17u);
}

// The first usage of the first input element, as the notification readers take it.
std::uint16_t FirstUsage(const hid::PreparsedData& p, const Bytes& report) {
  auto elements = hid::BuildDataElements(ReportType::Input, p);
  if (elements.empty() || !hid::UnpackReport(elements, report, ReportType::Input, p)) return 0xFFFF;
  const auto& usages = elements[0].button_data.usages;
  return usages.empty() ? 0 : usages[0];
}

TEST(EmulatedDescriptors, ConsumerReportsUnpackIntoTheNotificationUsages) {
  for (EmulatedProduct product :
       {EmulatedProduct::Keyboard, EmulatedProduct::SecondKeyboard, EmulatedProduct::MouseCable,
        EmulatedProduct::MouseReceiver, EmulatedProduct::MousePad}) {
    SCOPED_TRACE(std::string(ProductName(product)));
    auto device = std::dynamic_pointer_cast<CommandDevice>(MakeEmulatedDevice(product));
    auto parsed = hid::ParseReportDescriptor(device->FindInterface(1)->report_descriptor);
    ASSERT_TRUE(parsed.has_value());
    const hid::PreparsedData& consumer = (*parsed)[CommandDevice::kConsumerCollection - 1];
    for (std::uint16_t usage : {0x0401, 0x0500, 0x05FF, 0x0612, 0x1003, 0x11F3}) {
      const Bytes report = {CommandDevice::kConsumerReportId,
                            static_cast<std::uint8_t>(usage & 0xFF),
                            static_cast<std::uint8_t>(usage >> 8)};
      EXPECT_EQ(FirstUsage(consumer, report), usage) << "report " << Hex(report);
    }
    EXPECT_EQ(FirstUsage(consumer, {CommandDevice::kConsumerReportId, 0, 0}), 0)
        << "an empty (release) report carries no usage";
  }
}

}  // namespace
}  // namespace norvik::emulator::testing
