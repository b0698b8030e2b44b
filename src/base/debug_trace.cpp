#include "base/debug_trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace norvik {
namespace {

std::mutex& SinkMutex() {
  static std::mutex m;
  return m;
}

DebugTraceSink& Sink() {
  static DebugTraceSink sink;
  return sink;
}

std::atomic<bool> g_sink_installed{false};

bool EnvEnabled() {
  static const bool enabled = [] {
    const char* v = std::getenv("NORVIK_DEBUG");
    return v != nullptr && std::strcmp(v, "1") == 0;
  }();
  return enabled;
}

void WriteDefault(std::string_view line) {
#ifdef _WIN32
  std::string text(line);
  if (text.empty() || text.back() != '\n') text.push_back('\n');
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  OutputDebugStringW(wide.c_str());
#else
  if (!EnvEnabled()) return;
  std::fwrite(line.data(), 1, line.size(), stderr);
  if (line.empty() || line.back() != '\n') std::fputc('\n', stderr);
#endif
}

}  // namespace

bool DebugTraceEnabled() {
#ifdef _WIN32
  return true;
#else
  return g_sink_installed.load(std::memory_order_relaxed) || EnvEnabled();
#endif
}

void DebugTrace(std::string_view line) {
  std::lock_guard lock(SinkMutex());
  if (Sink()) {
    Sink()(line);
    return;
  }
  WriteDefault(line);
}

void DebugTraceF(const char* format, ...) {
  if (!DebugTraceEnabled()) return;
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  DebugTrace(buffer);
}

void SetDebugTraceSink(DebugTraceSink sink) {
  std::lock_guard lock(SinkMutex());
  g_sink_installed.store(static_cast<bool>(sink), std::memory_order_relaxed);
  Sink() = std::move(sink);
}

}  // namespace norvik
