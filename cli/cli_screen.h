#pragma once
// The size of the primary screen for the mouse's settings block. norvikctl does not link a
// toolkit: the X library is loaded at run time when a display is named, and anything that does
// not work out leaves the default quietly.

#include <optional>
#include <string>

#include "devices/mouse_blocks.h"

namespace norvik::cli {

struct DetectedScreen {
  devices::ScreenSize size;
  std::string display;  // the display's name, e.g. ":0"
};

// The default screen of the display named by $DISPLAY, through libX11.so.6; nullopt without a
// display, without the library, or when the display cannot be opened.
std::optional<DetectedScreen> DetectPrimaryScreen();

}  // namespace norvik::cli
