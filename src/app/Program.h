// The cardhall program behind both entry points: its command line, then the application's run.
#pragma once

#include <string>
#include <vector>

// Adds the program's own options (--trace, --port N, --host ADDRESS) and the notes below them to the engine's
// option table. Idempotent.
void addProgramOptions();

// Parses args (args[0] is the program's name) with the engine's table, the program's options
// included, and runs the application. Returns the process exit status: the application's, 0 after
// --help, 2 for a bad or unknown option.
int runProgram(const std::vector<std::string>& args);
