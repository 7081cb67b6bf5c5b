#pragma once

// The whole program after the entry point: returns the exit status. Fatal
// input errors propagate as FatalError.
int runAnalysis(int argc, const char* const* argv);
