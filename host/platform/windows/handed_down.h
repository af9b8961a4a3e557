// handed_down: what a process of this program hands down by environment variable to the copy of
// itself that it starts (child_process.cpp: the pipe to the parent; debug_output_capture.cpp: the
// section of the debug output), and the environment for any other program it starts.
// Built for Windows only.
#pragma once

#include <string>

// The variables' names.
extern const char childPipeVariable[];
extern const char debugOutputVariable[];

// This process's environment without the variables above, as CreateProcess takes it (each
// "NAME=value" ended by a NUL, the whole ended by one more). A handle's number means nothing in a
// process that did not inherit the handle: a program given one would take whatever object has
// that number there as its pipe or its section.
std::string environmentForAnotherProgram();
