#include "library_exports.h"

#include "elf_dynamic_symbols.h"

#include <elf.h>

std::vector<std::string> libraryExports(const std::string& path) {
    std::vector<std::string> names;
    for (elf_symbol& each : exportedSymbols(path)) {
        // Code and data a loader binds to; not the section and file entries of a linker's own.
        if (each.type == STT_FUNC || each.type == STT_OBJECT || each.type == STT_GNU_IFUNC ||
            each.type == STT_TLS) {
            names.push_back(std::move(each.name));
        }
    }
    return names;
}
