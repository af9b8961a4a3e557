// library_image: a library file's bytes, read whole, and its fixed-size records read from them,
// for the readers of the export tables of each system's library format (unix/elf_dynamic_symbols,
// windows/library_exports), which call these while they list a file's exports, on any thread.
// The bytes are the caller's; a record is copied out, so nothing points into them afterwards.
//
// Failure: a file that cannot be opened, and a record that would reach beyond the end of the
// bytes, throw platform_error; the reader adds the path.
#pragma once

#include "platform_error.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using library_bytes = std::vector<unsigned char>;

inline library_bytes readLibraryFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw platform_error("cannot open " + path);
    }
    return library_bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The record of type T at offset; format names the file's format in the error ("ELF", "PE").
template <typename T>
T recordAt(const library_bytes& file, std::uint64_t offset, const char* format) {
    if (offset > file.size() || file.size() - offset < sizeof(T)) {
        throw platform_error(std::string(format) + " structure beyond the end of the file");
    }
    T value;
    std::memcpy(&value, file.data() + offset, sizeof(T));
    return value;
}
