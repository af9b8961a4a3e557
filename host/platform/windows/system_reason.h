// system_reason: the system's own words for an error code of GetLastError(), for the texts of
// platform_error ("cannot make a pipe (Access is denied.)" reads "... (Access is denied)").
// Built for Windows only; the other Windows files of this layer use it.
#pragma once

#include <string>

// The message the system has for error (a GetLastError() code), without its line end and its
// final full stop, each insert ("%1") read as "it"; "error N" when the system has none.
std::string systemReason(unsigned long error);

// systemReason of the calling thread's last error.
std::string lastSystemReason();
