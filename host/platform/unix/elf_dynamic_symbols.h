// elf_dynamic_symbols: reads the dynamic symbol table (.dynsym) of an ELF shared library, 32-bit
// or 64-bit, in the byte order of the machine running it. libraryExports and the export tests
// call it to show what a loader can resolve from a plug-in; it reads the file afresh on every
// call and keeps nothing. Built where plug-ins are ELF files.
#pragma once

#include <string>
#include <vector>

struct elf_symbol {
    std::string name;
    unsigned type;    // STT_FUNC, STT_OBJECT, ...
    unsigned binding; // STB_GLOBAL, STB_WEAK, ...
    bool defined;     // false for the library's imports
};

// Every entry of .dynsym but the null entry 0. Throws platform_error when the file cannot be read
// or is not such an ELF file.
std::vector<elf_symbol> dynamicSymbols(const std::string& path);

// The defined symbols that other modules can bind to: everything not local.
std::vector<elf_symbol> exportedSymbols(const std::string& path);
