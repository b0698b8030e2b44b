// The row and overall state tables of the update window, and how results set them.
#include "update/update_states.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace norvik::update {
namespace {

using V = Visibility;

TEST(UpdateStates, EachRowStateShowsItsTextMarksOptionAndColours) {
  struct Row {
    int state;
    const char* text;
    V busy;
    V done;
    bool enabled;
    std::uint32_t colour;
    std::uint32_t disabled;
  };
  const Row rows[] = {
      {0, "LessUpdateText", V::kHidden, V::kHidden, false, 0xFFFFFFFF, 0xFF666666},
      {1, "NeedUpdateText", V::kHidden, V::kUnchanged, true, 0xFF0099FF, 0xFF0078C8},
      {2, "NeedUpdateText", V::kHidden, V::kUnchanged, true, 0xFF0099FF, 0xFF0078C8},
      {3, "DownloadWaitText", V::kHidden, V::kUnchanged, false, 0xFF0099FF, 0xFF0078C8},
      {4, "DownloadIngText", V::kShown, V::kUnchanged, false, 0xFF0099FF, 0xFF0078C8},
      {5, "DownloadOkText", V::kHidden, V::kShown, false, 0xFF0099FF, 0xFF0078C8},
      {6, "UpdateIngText", V::kShown, V::kHidden, false, 0xFF0099FF, 0xFF0078C8},
      {7, "UpdateOkText", V::kHidden, V::kHidden, false, 0xFFFFFFFF, 0xFF666666},
      {8, "UpdateFailText", V::kHidden, V::kHidden, true, 0xFF0099FF, 0xFF0078C8},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("state " + std::to_string(row.state));
    const auto view = ItemStateViewOf(row.state);
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->status_text_key, row.text);
    EXPECT_EQ(view->busy, row.busy);
    EXPECT_EQ(view->done, row.done);
    EXPECT_EQ(view->option_enabled, row.enabled);
    EXPECT_EQ(view->text_colour, row.colour);
    EXPECT_EQ(view->disabled_colour, row.disabled);
  }
  EXPECT_FALSE(ItemStateViewOf(-1).has_value());
  EXPECT_FALSE(ItemStateViewOf(9).has_value());
}

TEST(UpdateStates, EachOverallStateShowsRingOrImageAndItsText) {
  struct Row {
    int state;
    bool ring;
    const char* text;
    bool date;
  };
  const Row rows[] = {{0, true, "GetUpdateInfoText", false},
                      {1, false, "HaveUpdateInfoText", false},
                      {2, false, "NoUpdateInfoText", false},
                      {3, false, "ISUpdateINGText", false},
                      {4, false, "UpdateIsLastText", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE("state " + std::to_string(row.state));
    const auto view = OverallStateViewOf(row.state);
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->ring_shown, row.ring);
    EXPECT_EQ(view->image_shown, !row.ring);
    EXPECT_EQ(view->text_key, row.text);
    EXPECT_EQ(view->with_last_check_date, row.date);
  }
  EXPECT_FALSE(OverallStateViewOf(-1).has_value());
  EXPECT_FALSE(OverallStateViewOf(5).has_value());
}

TEST(UpdateStates, ResultsGiveRowStatesAndTheOverallState) {
  for (const auto& [status, state] : {std::pair{1, 1}, {7, 7}, {0, 0}, {3, 0}, {-1, 0}}) {
    UpdateResult result;
    result.status = status;
    EXPECT_EQ(ItemStateOfResult(result), state) << "status " << status;
  }
  struct Row {
    std::vector<int> states;
    int overall;
  };
  const Row rows[] = {
      {{7, 1, 0}, kOverallUpdatesFound},  // an offer wins over a failure
      {{2}, kOverallUpdatesFound},
      {{7, 7, 7}, kOverallUpToDate},
      {{0, 0}, kOverallNoAnswer},
      // Not every item answered: the list is not called up to date.
      {{7, 0, 7}, kOverallNoAnswer},
      {{}, kOverallNoAnswer},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.states));
    EXPECT_EQ(OverallStateOf(row.states), row.overall);
  }
}

}  // namespace
}  // namespace norvik::update
