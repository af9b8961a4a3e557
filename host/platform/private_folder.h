// private_folder: a new folder that only this user may enter, in the system's place for
// temporary files, for files a run keeps to itself (serve's copies of the plug-in).
//
// The caller owns the folder and removes it when done. Throws platform_error when the system
// cannot make it.
#pragma once

#include <filesystem>
#include <string>

// A new, empty folder named prefix followed by characters the system picks.
std::filesystem::path makePrivateFolder(const std::string& prefix);
