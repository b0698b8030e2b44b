#pragma once
// The program's one diagnostic stream. Short fixed lines and the request/reply hex dumps go here.
// On Windows it is the debugger output; elsewhere it is standard error, silent unless the
// environment variable NORVIK_DEBUG is "1". Tests may install a sink to look at the lines.

#include <functional>
#include <string_view>

namespace norvik {

// Writes one line (a trailing newline is added when missing). Thread-safe.
void DebugTrace(std::string_view line);

// printf-style convenience; the formatted text is cut at 1023 bytes.
void DebugTraceF(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True when lines are delivered anywhere (enabled by NORVIK_DEBUG=1 or an installed sink), so
// callers can skip building expensive text such as hex dumps.
bool DebugTraceEnabled();

// Replaces the destination of every line; an empty function restores the default destination.
using DebugTraceSink = std::function<void(std::string_view)>;
void SetDebugTraceSink(DebugTraceSink sink);

}  // namespace norvik
