#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// quorvil4 --calibrate T1:R1 T2:R2 T3:R3 [--fahrenheit]
// args: the arguments after the program's name, "--calibrate" first. Prints A, B and C to out,
// one per line, and returns 0 (a warning goes to err); a refusal or a bad argument goes to err
// and returns 2. Needs neither a display nor an application object.
int runCalibrateCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
