#pragma once
// What a row of the update list and the update window as a whole show in each of their states,
// and how the states follow from the query results. Pure tables: the window applies them.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "update/update_reply.h"

namespace norvik::update {

// Row states: 0 nothing to update, 1 and 2 an update is offered, 3 waiting for the download,
// 4 downloading, 5 downloaded, 6 updating, 7 up to date, 8 the update failed.
inline constexpr int kItemStateCount = 9;
inline constexpr int kItemStateNone = 0;
inline constexpr int kItemStateOffered = 1;
inline constexpr int kItemStateDownloadWait = 3;
inline constexpr int kItemStateUpToDate = 7;

// A child that a state shows, hides or leaves as it is.
enum class Visibility { kHidden, kShown, kUnchanged };

struct ItemStateView {
  std::string_view status_text_key;  // "update_status_text"
  Visibility busy;                   // "update_status_ing"
  Visibility done;                   // "update_status_ok"
  bool option_enabled;               // "check_name_select"
  std::uint32_t text_colour;         // ARGB, also the selected text colour
  std::uint32_t disabled_colour;     // ARGB
};

// nullopt for a state outside 0-8.
std::optional<ItemStateView> ItemStateViewOf(int state);

// Overall states: 0 checking, 1 updates found, 2 no answer, 3 updating, 4 up to date.
inline constexpr int kOverallChecking = 0;
inline constexpr int kOverallUpdatesFound = 1;
inline constexpr int kOverallNoAnswer = 2;
inline constexpr int kOverallUpdating = 3;
inline constexpr int kOverallUpToDate = 4;

struct OverallStateView {
  bool ring_shown;            // "update_status_ring"
  bool image_shown;           // "update_status_image"
  std::string_view text_key;  // "Update_Status_text"
  bool with_last_check_date;  // the text is followed by the date of the last check
};

// nullopt for a state outside 0-4.
std::optional<OverallStateView> OverallStateViewOf(int state);

// The row state a query result puts its row in: 1 when a newer version exists, 7 when the
// installed one is current, 0 when there was no usable answer.
int ItemStateOfResult(const UpdateResult& result);

// The rows offer an update (a state other than 0 and 7).
bool OffersUpdate(int item_state);

// The overall state once every query has answered: 1 when any row offers an update; 4 when
// every row was answered and is current; otherwise (some item got no usable answer) 2, since
// calling the list up to date would claim what was never checked.
int OverallStateOf(std::span<const int> item_states);

}  // namespace norvik::update
