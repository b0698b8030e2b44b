#include "hid/report_descriptor.h"

#include <algorithm>

namespace norvik::hid {

bool PreparsedData::HasReportId(ReportType type, std::uint8_t report_id) const {
  const auto& ids = Of(type).report_ids;
  return std::binary_search(ids.begin(), ids.end(), report_id);
}

// Placeholder bodies; the parser follows.
std::optional<std::vector<PreparsedData>> ParseReportDescriptor(std::span<const std::uint8_t>) {
  return std::nullopt;
}

std::uint32_t MaxUsageListLength(ReportType, std::uint16_t, const PreparsedData&) {
  return 0;
}

std::vector<HidData> BuildDataElements(ReportType, const PreparsedData&) {
  return {};
}

HidStatus GetUsages(ReportType, std::uint16_t, std::span<std::uint16_t>,
                    std::uint32_t* usage_length, std::span<const std::uint8_t>,
                    const PreparsedData&) {
  if (usage_length != nullptr) *usage_length = 0;
  return HidStatus::UsageNotFound;
}

HidStatus GetUsageValue(ReportType, std::uint16_t, std::uint16_t, std::uint32_t*,
                        std::span<const std::uint8_t>, const PreparsedData&) {
  return HidStatus::UsageNotFound;
}

HidStatus GetScaledUsageValue(ReportType, std::uint16_t, std::uint16_t, std::int32_t*,
                              std::span<const std::uint8_t>, const PreparsedData&) {
  return HidStatus::UsageNotFound;
}

bool UnpackReport(std::span<HidData>, std::span<const std::uint8_t>, ReportType,
                  const PreparsedData&) {
  return false;
}

}  // namespace norvik::hid
