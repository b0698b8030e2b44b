// Input layout: byte 0 = n, the last n bytes are an input report, the bytes between are the
// report descriptor. Every collection the parser accepts has its data elements built and the
// report unpacked against every report type, once as given and once under each of the
// collection's report ids.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "hid/report_descriptor.h"

using norvik::hid::BuildDataElements;
using norvik::hid::GetUsages;
using norvik::hid::HidData;
using norvik::hid::MaxUsageListLength;
using norvik::hid::ParseReportDescriptor;
using norvik::hid::PreparsedData;
using norvik::hid::ReportType;
using norvik::hid::UnpackReport;

namespace {

void Exercise(const PreparsedData& collection, ReportType type, std::vector<std::uint8_t> report) {
  std::vector<HidData> elements = BuildDataElements(type, collection);
  UnpackReport(elements, report, type, collection);
  std::vector<std::uint16_t> usages(MaxUsageListLength(type, 0, collection));
  std::uint32_t length = 0;
  GetUsages(type, 0, usages, &length, report, collection);
  if (report.empty()) return;
  for (std::uint8_t id : collection.Of(type).report_ids) {
    report[0] = id;
    UnpackReport(elements, report, type, collection);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> input(data, size);
  const std::size_t report_length = std::min<std::size_t>(input[0], size - 1);
  const auto descriptor = input.subspan(1, size - 1 - report_length);
  const auto report_bytes = input.subspan(size - report_length);
  const auto collections = ParseReportDescriptor(descriptor);
  if (!collections) return 0;
  const std::vector<std::uint8_t> report(report_bytes.begin(), report_bytes.end());
  for (const PreparsedData& collection : *collections) {
    for (ReportType type : {ReportType::Input, ReportType::Output, ReportType::Feature}) {
      Exercise(collection, type, report);
    }
  }
  return 0;
}
