// library_exports: the names that a loader can bind to in a shared library file, read from the
// file itself without loading it (ELF's dynamic symbol table; the export directory of a Windows
// DLL): what validate checks a plug-in exports besides its factory.
//
// It reads the file afresh on every call and keeps nothing.
#pragma once

#include <string>
#include <vector>

// The exported functions and data of the library in path, in the file's order. Throws
// platform_error when the file cannot be read or is not a shared library of this system's
// format.
std::vector<std::string> libraryExports(const std::string& path);
