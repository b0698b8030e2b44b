#include "profiles/mouse_profiledata.h"

#include <algorithm>

#include "profiles/json_access.h"

namespace norvik::profiles {
namespace {

constexpr char kDpiStages[] = "DPIStages";
constexpr char kStageDpis[] = "StageDPIs";
constexpr char kStageActive[] = "StageActive";
constexpr char kSystemStages[] = "SystemStages";
constexpr char kReportStages[] = "ReportStages";

std::int64_t NumberOf(const Json::Value& object, const char* key) {
  return IntegerOrZero(Member(object, key));
}

}  // namespace

std::vector<DpiStage> CMouseProfiledata::GetDpiStages() {
  const Json::Value& dpi = Member(Section(), kDpiStages);
  activeDpiStage_ = static_cast<int>(NumberOf(dpi, kStageActive));
  dpiStages_.clear();
  const Json::Value& list = Member(dpi, kStageDpis);
  if (list.isArray()) {
    for (const Json::Value& element : list) {
      DpiStage stage;
      stage.StageActive = static_cast<std::uint8_t>(NumberOf(element, "StageActive"));
      stage.StageXY = static_cast<std::uint8_t>(NumberOf(element, "StageXY"));
      stage.StageDPIX = static_cast<std::uint16_t>(NumberOf(element, "StageDPIX"));
      stage.StageDPIY = static_cast<std::uint16_t>(NumberOf(element, "StageDPIY"));
      stage.StageColorR = static_cast<std::uint8_t>(NumberOf(element, "StageColorR"));
      stage.StageColorG = static_cast<std::uint8_t>(NumberOf(element, "StageColorG"));
      stage.StageColorB = static_cast<std::uint8_t>(NumberOf(element, "StageColorB"));
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
  activeDpiStage_ = static_cast<int>(NumberOf(Member(Section(), kDpiStages), kStageActive));
  return activeDpiStage_;
}

void CMouseProfiledata::SetActiveDpiStage(int stage) {
  activeDpiStage_ = stage;
  ObjectMember(MutableSection(), kDpiStages)[kStageActive] = stage;
}

MouseSystem CMouseProfiledata::GetMouseSystem() {
  const Json::Value& stages = Member(Section(), kSystemStages);
  MouseSystem system;
  system.DoubleClickTime = static_cast<std::uint16_t>(NumberOf(stages, "DoubleClickTime"));
  system.MouseSpeed = static_cast<std::uint16_t>(NumberOf(stages, "MouseSpeed"));
  system.PointerPrecision = static_cast<std::uint16_t>(NumberOf(stages, "PointerPrecision"));
  system.ScorllPage = static_cast<std::uint16_t>(NumberOf(stages, "ScorllPage"));
  system.WheelScorlllinse = static_cast<std::uint16_t>(NumberOf(stages, "WheelScorlllinse"));
  system.ReportStage =
      static_cast<std::uint16_t>(NumberOf(Member(Section(), kReportStages), kStageActive));
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
    for (const Json::Value& element : list) {
      CorrectionRecord record;
      record.CorrectPixThresh = static_cast<std::int32_t>(NumberOf(element, "CorrectPixThresh"));
      record.CorrectMinSq = static_cast<std::int32_t>(NumberOf(element, "CorrectMinSq"));
      record.CorrectSelect = static_cast<std::int32_t>(NumberOf(element, "CorrectSelect"));
      record.CorrectName = ReadText(Member(element, "CorrectName")).value_or(std::string());
      corrections_.push_back(std::move(record));
    }
  }
  return corrections_;
}

}  // namespace norvik::profiles
