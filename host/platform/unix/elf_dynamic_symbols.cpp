#include "elf_dynamic_symbols.h"

#include "library_image.h"
#include "platform_error.h"

#include <elf.h>

#include <cstdint>
#include <cstring>

namespace {

using bytes = library_bytes;

template <typename T> T readAt(const bytes& file, std::uint64_t offset) {
    return recordAt<T>(file, offset, "ELF");
}

template <typename Ehdr, typename Shdr, typename Sym>
std::vector<elf_symbol> readDynsym(const bytes& file) {
    const auto header = readAt<Ehdr>(file, 0);
    if (header.e_shentsize != sizeof(Shdr)) {
        throw platform_error("unexpected section header size");
    }
    const auto section = [&](std::uint64_t index) {
        if (index >= header.e_shnum) {
            throw platform_error("section index out of range");
        }
        return readAt<Shdr>(file, header.e_shoff + index * sizeof(Shdr));
    };
    for (std::uint64_t i = 0; i < header.e_shnum; ++i) {
        const Shdr table = section(i);
        if (table.sh_type != SHT_DYNSYM) {
            continue;
        }
        if (table.sh_entsize != sizeof(Sym)) {
            throw platform_error("unexpected symbol size");
        }
        const Shdr names = section(table.sh_link);
        std::vector<elf_symbol> symbols;
        for (std::uint64_t k = 1; k < table.sh_size / sizeof(Sym); ++k) {
            const Sym symbol = readAt<Sym>(file, table.sh_offset + k * sizeof(Sym));
            if (symbol.st_name >= names.sh_size) {
                throw platform_error("symbol name outside the string table");
            }
            const std::uint64_t at = names.sh_offset + symbol.st_name;
            const std::uint64_t end = names.sh_offset + names.sh_size;
            if (end > file.size()) {
                throw platform_error("string table beyond the end of the file");
            }
            const void* nul = std::memchr(file.data() + at, '\0', end - at);
            if (nul == nullptr) {
                throw platform_error("unterminated symbol name");
            }
            // st_info packs binding and type the same way in both classes.
            const unsigned info = symbol.st_info;
            symbols.push_back({std::string(reinterpret_cast<const char*>(file.data() + at)),
                               info & 0xfU, info >> 4U, symbol.st_shndx != SHN_UNDEF});
        }
        return symbols;
    }
    throw platform_error("no dynamic symbol table");
}

} // namespace

std::vector<elf_symbol> dynamicSymbols(const std::string& path) {
    const bytes file = readLibraryFile(path);
    if (file.size() < EI_NIDENT || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0) {
        throw platform_error(path + " is not an ELF file");
    }
    const std::uint16_t probe = 1;
    unsigned char firstByte = 0;
    std::memcpy(&firstByte, &probe, 1);
    const unsigned char nativeOrder = firstByte == 1 ? ELFDATA2LSB : ELFDATA2MSB;
    if (file[EI_DATA] != nativeOrder) {
        throw platform_error(path + " is not in this machine's byte order");
    }
    switch (file[EI_CLASS]) {
    case ELFCLASS32:
        return readDynsym<Elf32_Ehdr, Elf32_Shdr, Elf32_Sym>(file);
    case ELFCLASS64:
        return readDynsym<Elf64_Ehdr, Elf64_Shdr, Elf64_Sym>(file);
    default:
        throw platform_error(path + " has an unknown ELF class");
    }
}

std::vector<elf_symbol> exportedSymbols(const std::string& path) {
    std::vector<elf_symbol> exported;
    for (elf_symbol& symbol : dynamicSymbols(path)) {
        if (symbol.defined && symbol.binding != STB_LOCAL) {
            exported.push_back(std::move(symbol));
        }
    }
    return exported;
}
