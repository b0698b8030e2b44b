#include "emulator/emulated_device.h"
#include "emulator/hex_text.h"
#include "emulator/report_descriptors.h"

namespace norvik::emulator {

EmulatedHeadset::EmulatedHeadset()
    : EmulatedDevice(EmulatedProduct::Headset,
                     EmulatedIdentity{0x0C76, 0x1630, 0x0100, "Norvik", "QT-4100 Headset"},
                     {HeadsetInterface()}) {}

std::vector<std::vector<std::uint8_t>> EmulatedHeadset::OutputReports() const {
  std::lock_guard lock(Mutex());
  return {output_reports_.begin(), output_reports_.end()};
}

std::uint64_t EmulatedHeadset::OutputReportCount() const {
  std::lock_guard lock(Mutex());
  return output_report_count_;
}

void EmulatedHeadset::InjectButtons(std::uint8_t bits) {
  {
    std::lock_guard lock(Mutex());
    const std::uint8_t report[] = {kButtonReportId, static_cast<std::uint8_t>(bits & 0x0F)};
    EmitInputLocked(kHidInterface, report);
  }
  NotifyInput();
}

void EmulatedHeadset::OnOutputReport(const PortAddress& /*target*/,
                                     std::span<const std::uint8_t> report, ReportPipe /*pipe*/,
                                     RequestRecord& record) {
  record.outcome = RequestOutcome::OutputReport;
  if (report.size() != kColourReportSize || report[0] != kColourReportId) return;
  output_reports_.emplace_back(report.begin(), report.end());
  while (output_reports_.size() > kOutputReportLimit) output_reports_.pop_front();
  ++output_report_count_;
  MarkTrafficLocked();
}

void EmulatedHeadset::ResetLocked() {
  output_reports_.clear();
  output_report_count_ = 0;
}

void EmulatedHeadset::DumpLocked(Json::Value& out) const {
  Json::Value reports(Json::arrayValue);
  for (const auto& r : output_reports_) reports.append(ToHex(r));
  out["outputreports"] = reports;
  out["outputreportcount"] = Json::UInt64(output_report_count_);
}

bool EmulatedHeadset::RestoreLocked(const Json::Value& state) {
  const Json::Value& reports = state["outputreports"];
  const Json::Value& count = state["outputreportcount"];
  if (!reports.isArray() || !count.isUInt64() || reports.size() > kOutputReportLimit) {
    return false;
  }
  std::deque<std::vector<std::uint8_t>> restored;
  for (const auto& r : reports) {
    if (!r.isString()) return false;
    auto bytes = FromHex(r.asString());
    if (!bytes || bytes->size() != kColourReportSize || (*bytes)[0] != kColourReportId) {
      return false;
    }
    restored.push_back(std::move(*bytes));
  }
  if (count.asUInt64() < restored.size()) return false;
  output_reports_ = std::move(restored);
  output_report_count_ = count.asUInt64();
  return true;
}

}  // namespace norvik::emulator
