#pragma once

#include "app/console/options.h"

#include <iosfwd>

// quorvil4 --calibrate T1:R1 T2:R2 T3:R3 [--fahrenheit]: prints A, B and C to out, one per line,
// and returns 0 (a warning goes to err); a refusal or a point that is no TEMPERATURE:READING goes
// to err and returns 2. Needs neither a display nor an application object.
int runCalibrateCommand(const Options& options, std::ostream& out, std::ostream& err);
