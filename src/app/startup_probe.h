#pragma once

class QWidget;

namespace talvik::app {

// With TALVIK_STARTUP_PROBE=1 the program prints "FIRST_PAINT <unix time in ns>" once `window`
// has painted for the first time, for the start-up benchmark.
void InstallStartupProbe(QWidget* window);

}  // namespace talvik::app
