#include "update/update_states.h"

#include <algorithm>
#include <array>

namespace norvik::update {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kGrey = 0xFF666666;
constexpr std::uint32_t kBlue = 0xFF0099FF;
constexpr std::uint32_t kDeepBlue = 0xFF0078C8;

using V = Visibility;

constexpr std::array<ItemStateView, kItemStateCount> kItemStates = {{
    {"LessUpdateText", V::kHidden, V::kHidden, false, kWhite, kGrey},
    {"NeedUpdateText", V::kHidden, V::kUnchanged, true, kBlue, kDeepBlue},
    {"NeedUpdateText", V::kHidden, V::kUnchanged, true, kBlue, kDeepBlue},
    {"DownloadWaitText", V::kHidden, V::kUnchanged, false, kBlue, kDeepBlue},
    {"DownloadIngText", V::kShown, V::kUnchanged, false, kBlue, kDeepBlue},
    {"DownloadOkText", V::kHidden, V::kShown, false, kBlue, kDeepBlue},
    {"UpdateIngText", V::kShown, V::kHidden, false, kBlue, kDeepBlue},
    {"UpdateOkText", V::kHidden, V::kHidden, false, kWhite, kGrey},
    {"UpdateFailText", V::kHidden, V::kHidden, true, kBlue, kDeepBlue},
}};

constexpr std::array<OverallStateView, 5> kOverallStates = {{
    {true, false, "GetUpdateInfoText", false},
    {false, true, "HaveUpdateInfoText", false},
    {false, true, "NoUpdateInfoText", false},
    {false, true, "ISUpdateINGText", false},
    {false, true, "UpdateIsLastText", true},
}};

}  // namespace

std::optional<ItemStateView> ItemStateViewOf(int state) {
  if (state < 0 || state >= kItemStateCount) return std::nullopt;
  return kItemStates[static_cast<std::size_t>(state)];
}

std::optional<OverallStateView> OverallStateViewOf(int state) {
  if (state < 0 || state >= static_cast<int>(kOverallStates.size())) return std::nullopt;
  return kOverallStates[static_cast<std::size_t>(state)];
}

int ItemStateOfResult(const UpdateResult& result) {
  switch (result.status) {
    case kStatusNewerAvailable:
      return kItemStateOffered;
    case kStatusUpToDate:
      return kItemStateUpToDate;
    default:
      return kItemStateNone;
  }
}

bool OffersUpdate(int item_state) {
  return item_state != kItemStateNone && item_state != kItemStateUpToDate;
}

int OverallStateOf(std::span<const int> item_states) {
  if (std::any_of(item_states.begin(), item_states.end(), OffersUpdate)) {
    return kOverallUpdatesFound;
  }
  const bool all_current =
      !item_states.empty() && std::all_of(item_states.begin(), item_states.end(),
                                          [](int s) { return s == kItemStateUpToDate; });
  return all_current ? kOverallUpToDate : kOverallNoAnswer;
}

}  // namespace norvik::update
