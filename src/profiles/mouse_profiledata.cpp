#include "profiles/mouse_profiledata.h"

#include <algorithm>
#include <cstdint>

#include "profiles/json_access.h"

namespace norvik::profiles {
namespace {

constexpr char kDpiStages[] = "DPIStages";
constexpr char kStageDpis[] = "StageDPIs";
constexpr char kStageActive[] = "StageActive";
constexpr char kSystemStages[] = "SystemStages";
constexpr char kReportStages[] = "ReportStages";

// Each number is read for the width of the field it goes to (see RangedInteger).
std::int64_t NumberOf(const Json::Value& object, const Json::Value& factory, const char* key,
                      std::int64_t max) {
  return RangedMember(object, factory, key, max == INT32_MAX ? INT32_MIN : 0, max);
}

constexpr std::int64_t kByte = 0xFF;
constexpr std::int64_t kHalf = 0xFFFF;
constexpr std::int64_t kInt = INT32_MAX;

}  // namespace

std::vector<DpiStage> CMouseProfiledata::GetDpiStages() {
  const Json::Value& dpi = Member(Section(), kDpiStages);
  const Json::Value& factory_dpi = Member(FactorySection(), kDpiStages);
  activeDpiStage_ = static_cast<int>(NumberOf(dpi, factory_dpi, kStageActive, kInt));
  dpiStages_.clear();
  const Json::Value& list = Member(dpi, kStageDpis);
  if (list.isArray()) {
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
      const Json::Value& element = list[i];
      const Json::Value& factory = Element(Member(factory_dpi, kStageDpis), i);
      DpiStage stage;
      stage.StageActive =
          static_cast<std::uint8_t>(NumberOf(element, factory, "StageActive", kByte));
      stage.StageXY = static_cast<std::uint8_t>(NumberOf(element, factory, "StageXY", kByte));
      stage.StageDPIX = static_cast<std::uint16_t>(NumberOf(element, factory, "StageDPIX", kHalf));
      stage.StageDPIY = static_cast<std::uint16_t>(NumberOf(element, factory, "StageDPIY", kHalf));
      stage.StageColorR =
          static_cast<std::uint8_t>(NumberOf(element, factory, "StageColorR", kByte));
      stage.StageColorG =
          static_cast<std::uint8_t>(NumberOf(element, factory, "StageColorG", kByte));
      stage.StageColorB =
          static_cast<std::uint8_t>(NumberOf(element, factory, "StageColorB", kByte));
      dpiStages_.push_back(stage);
    }
  }
  return dpiStages_;
}

void CMouseProfiledata::SetDpiStages(const std::vector<DpiStage>& stages) {
  const std::size_t count = std::min(stages.size(), kMaxDpiStages);
  dpiStages_.assign(stages.begin(), stages.begin() + static_cast<std::ptrdiff_t>(count));
  Json::Value list(Json::arrayValue);
  for (const DpiStage& stage : dpiStages_) {
    Json::Value element(Json::objectValue);
    element["StageActive"] = stage.StageActive;
    element["StageXY"] = stage.StageXY;
    element["StageDPIX"] = stage.StageDPIX;
    element["StageDPIY"] = stage.StageDPIY;
    element["StageColorR"] = stage.StageColorR;
    element["StageColorG"] = stage.StageColorG;
    element["StageColorB"] = stage.StageColorB;
    list.append(element);
  }
  ObjectMember(MutableSection(), kDpiStages)[kStageDpis] = list;
}

int CMouseProfiledata::GetActiveDpiStage() {
  activeDpiStage_ = static_cast<int>(NumberOf(
      Member(Section(), kDpiStages), Member(FactorySection(), kDpiStages), kStageActive, kInt));
  return activeDpiStage_;
}

void CMouseProfiledata::SetActiveDpiStage(int stage) {
  activeDpiStage_ = stage;
  ObjectMember(MutableSection(), kDpiStages)[kStageActive] = stage;
}

MouseSystem CMouseProfiledata::GetMouseSystem() {
  const Json::Value& stages = Member(Section(), kSystemStages);
  const Json::Value& factory = Member(FactorySection(), kSystemStages);
  const auto half = [&](const char* key) {
    return static_cast<std::uint16_t>(NumberOf(stages, factory, key, kHalf));
  };
  MouseSystem system;
  system.DoubleClickTime = half("DoubleClickTime");
  system.MouseSpeed = half("MouseSpeed");
  system.PointerPrecision = half("PointerPrecision");
  system.ScorllPage = half("ScorllPage");
  system.WheelScorlllinse = half("WheelScorlllinse");
  system.ReportStage = static_cast<std::uint16_t>(NumberOf(Member(Section(), kReportStages),
                                                           Member(FactorySection(), kReportStages),
                                                           kStageActive, kHalf));
  system_ = system;
  return system_;
}

void CMouseProfiledata::SetMouseSystem(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2) {
  SetMouseSystem(MouseSystem::Unpack({w0, w1, w2}));
}

void CMouseProfiledata::SetMouseSystem(const MouseSystem& system) {
  system_ = system;
  Json::Value& section = MutableSection();
  Json::Value& stages = ObjectMember(section, kSystemStages);
  stages["DoubleClickTime"] = system.DoubleClickTime;
  stages["MouseSpeed"] = system.MouseSpeed;
  stages["PointerPrecision"] = system.PointerPrecision;
  stages["ScorllPage"] = system.ScorllPage;
  stages["WheelScorlllinse"] = system.WheelScorlllinse;
  ObjectMember(section, kReportStages)[kStageActive] = system.ReportStage;
}

std::vector<CorrectionRecord> CMouseProfiledata::GetCorrections() {
  corrections_.clear();
  const Json::Value& list = Member(Section(), "CorrectInfo");
  if (list.isArray()) {
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
      const Json::Value& element = list[i];
      const Json::Value& factory = Element(Member(FactorySection(), "CorrectInfo"), i);
      const auto number = [&](const char* key) {
        return static_cast<std::int32_t>(NumberOf(element, factory, key, kInt));
      };
      CorrectionRecord record;
      record.CorrectPixThresh = number("CorrectPixThresh");
      record.CorrectMinSq = number("CorrectMinSq");
      record.CorrectSelect = number("CorrectSelect");
      record.CorrectName = ReadText(Member(element, "CorrectName")).value_or(std::string());
      corrections_.push_back(std::move(record));
    }
  }
  return corrections_;
}

}  // namespace norvik::profiles
