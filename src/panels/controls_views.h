#pragma once
// The display controls, one header each: the ring progress, the chart, the host of another
// window and the colour palette.

#include "panels/chart_view.h"       // IWYU pragma: export
#include "panels/circle_progress.h"  // IWYU pragma: export
#include "panels/colour_palette.h"   // IWYU pragma: export
#include "panels/wnd_host.h"         // IWYU pragma: export
