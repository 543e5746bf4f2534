#pragma once

#include <QLoggingCategory>

namespace talvik::toolkit {

// The debug trace as the logging category "talvik.trace" (debug level, off by default; turn it
// on with QT_LOGGING_RULES="talvik.trace.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcTrace)

// Makes the category the sink of platform::Trace. Each traced line is logged as formatted,
// without its final line break (the logger adds its own).
void InstallTraceCategory();

}  // namespace talvik::toolkit
