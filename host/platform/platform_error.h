// platform_error: what the system refused, in its own words.
//
// The platform layer's one error idiom: a call that the system cannot carry out throws
// platform_error whose text names the step and the system's reason ("cannot make a pipe (Too many
// open files)"); the caller says what that means for the user and what to do. What a call is
// expected to meet in normal use (a missing file, a stream that ended, a timeout) is a value of
// its result, not an exception.
#pragma once

#include <stdexcept>

class platform_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
