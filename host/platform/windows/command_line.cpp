#include "command_line.h"

namespace {

// One argument: quoted when it holds a blank or a quote or is empty, with the backslashes before
// a quote (and before the closing quote) doubled.
std::string quotedArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        return argument;
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

} // namespace

std::string commandLine(const std::string& program, const std::vector<std::string>& arguments) {
    // The program's own name is read up to the next quote, without escapes.
    std::string line = "\"" + program + "\"";
    for (const std::string& argument : arguments) {
        line += " " + quotedArgument(argument);
    }
    return line;
}
