#include "cli/cli_screen.h"

#include <dlfcn.h>

#include <cstdlib>

namespace norvik::cli {

namespace {

// The few libX11 entry points used, as the library declares them (Display is opaque here).
using OpenDisplayFn = void* (*)(const char*);
using CloseDisplayFn = int (*)(void*);
using DefaultScreenFn = int (*)(void*);
using DisplaySizeFn = int (*)(void*, int);

struct Library {
  void* handle = nullptr;
  ~Library() {
    if (handle != nullptr) ::dlclose(handle);
  }
};

template <typename Fn>
Fn Symbol(void* library, const char* name) {
  return reinterpret_cast<Fn>(::dlsym(library, name));  // NOLINT: dlsym gives a data pointer
}

}  // namespace

std::optional<DetectedScreen> DetectPrimaryScreen() {
  const char* display_name = std::getenv("DISPLAY");
  if (display_name == nullptr || display_name[0] == '\0') return std::nullopt;
  Library x11;
  x11.handle = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
  if (x11.handle == nullptr) return std::nullopt;
  const auto open = Symbol<OpenDisplayFn>(x11.handle, "XOpenDisplay");
  const auto close = Symbol<CloseDisplayFn>(x11.handle, "XCloseDisplay");
  const auto default_screen = Symbol<DefaultScreenFn>(x11.handle, "XDefaultScreen");
  const auto width = Symbol<DisplaySizeFn>(x11.handle, "XDisplayWidth");
  const auto height = Symbol<DisplaySizeFn>(x11.handle, "XDisplayHeight");
  if (!open || !close || !default_screen || !width || !height) return std::nullopt;
  void* display = open(display_name);
  if (display == nullptr) return std::nullopt;
  const int screen = default_screen(display);
  const int w = width(display, screen);
  const int h = height(display, screen);
  close(display);
  // The block keeps 16 bits per side.
  if (w <= 0 || h <= 0 || w > 0xFFFF || h > 0xFFFF) return std::nullopt;
  return DetectedScreen{{static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h)},
                        display_name};
}

}  // namespace norvik::cli
