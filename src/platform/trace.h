#pragma once

#include <functional>
#include <string_view>

namespace talvik::platform {

// The debug trace. Lines keep their printf format strings so traces stay comparable across
// versions. Plain C++, so the Qt-free layers can trace too; the program installs a sink that
// forwards to its logging category, tests may install one that records.
using TraceSink = std::function<void(std::string_view line)>;

// Replaces the sink; an empty sink drops every line. Call before other threads trace.
void SetTraceSink(TraceSink sink);

// Formats like printf and hands the line, as formatted, to the sink.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace talvik::platform
