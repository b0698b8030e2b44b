#pragma once
// Profile object of the mouse: adds "DPIStages", "SystemStages" (mouse layout), "ReportStages"
// and "CorrectInfo".

#include <cstdint>
#include <vector>

#include "profiles/basic_profiledata.h"

namespace norvik::profiles {

// The settings block has room for five stages; more are kept in the profile but a list is cut
// at this bound when written, so a runaway caller cannot grow the file without limit.
inline constexpr std::size_t kMaxDpiStages = 64;

class CMouseProfiledata : public CBasicProfiledata {
 public:
  // "DPIStages": "StageActive" becomes the active stage, each "StageDPIs" element a stage. The
  // list replaces the mirror whole, so a profile with fewer stages than the one before leaves no
  // stale stages behind.
  std::vector<DpiStage> GetDpiStages();
  // Replaces "StageDPIs" (at most kMaxDpiStages stages are written) and the mirror.
  void SetDpiStages(const std::vector<DpiStage>& stages);
  const std::vector<DpiStage>& DpiStagesMirror() const { return dpiStages_; }

  // "DPIStages"."StageActive"; missing reads as 0.
  int GetActiveDpiStage();
  void SetActiveDpiStage(int stage);

  // "SystemStages" and "ReportStages"."StageActive"; missing parts read as 0.
  MouseSystem GetMouseSystem();
  void SetMouseSystem(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2);
  void SetMouseSystem(const MouseSystem& system);
  const MouseSystem& MouseSystemMirror() const { return system_; }

  // "CorrectInfo"; missing: empty.
  std::vector<CorrectionRecord> GetCorrections();

 private:
  std::vector<DpiStage> dpiStages_;
  int activeDpiStage_ = 0;
  MouseSystem system_;
  std::vector<CorrectionRecord> corrections_;
};

}  // namespace norvik::profiles
