// program_location: where the running program's own file is, so that it finds what was built or
// installed beside it (the default plug-in).
#pragma once

#include <filesystem>

// The folder of the running program's file; the current folder when the system cannot say.
std::filesystem::path programDirectory();
// The running program's own file, for starting it again; empty when the system cannot say.
std::filesystem::path programFile();
