// command_line: the one text that CreateProcess takes for a program and its arguments.
// Built for Windows only; the files of this layer that start programs use it.
#pragma once

#include <string>
#include <vector>

// The program, quoted, then each argument as the C runtime's parser of the started program reads
// it back word for word.
std::string commandLine(const std::string& program, const std::vector<std::string>& arguments);
