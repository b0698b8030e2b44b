#pragma once
// The image buttons of the setting pages, one header each.

#include "panels/hand_img_button.h"         // IWYU pragma: export
#include "panels/hand_img_select_button.h"  // IWYU pragma: export
#include "panels/redio_macro_button.h"      // IWYU pragma: export
