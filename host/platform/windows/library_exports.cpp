// The Windows part of library_exports: the export directory of a PE file (a DLL of 32 or 64 bits),
// read from the file with every offset checked against its size. The names come in the order of
// the directory's name table; functions exported by ordinal alone follow, as "ordinal N".
#include "library_exports.h"

#include "library_image.h"
#include "platform_error.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>

namespace {

using bytes = library_bytes;

template <typename T> T readAt(const bytes& file, std::uint64_t offset) {
    return recordAt<T>(file, offset, "PE");
}

class pe_image {
public:
    explicit pe_image(const bytes& contents) : file(contents) {
        const auto dos = readAt<IMAGE_DOS_HEADER>(file, 0);
        if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0) {
            throw platform_error("not a PE file");
        }
        const std::uint64_t at = static_cast<std::uint64_t>(dos.e_lfanew);
        if (readAt<DWORD>(file, at) != IMAGE_NT_SIGNATURE) {
            throw platform_error("not a PE file");
        }
        const auto header = readAt<IMAGE_FILE_HEADER>(file, at + sizeof(DWORD));
        if ((header.Characteristics & IMAGE_FILE_DLL) == 0) {
            throw platform_error("a program, not a DLL");
        }
        const std::uint64_t optional = at + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
        const WORD magic = readAt<WORD>(file, optional);
        IMAGE_DATA_DIRECTORY directory{};
        if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
            const auto fields = readAt<IMAGE_OPTIONAL_HEADER32>(file, optional);
            if (fields.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_EXPORT) {
                directory = fields.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
            }
        } else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
            const auto fields = readAt<IMAGE_OPTIONAL_HEADER64>(file, optional);
            if (fields.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_EXPORT) {
                directory = fields.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
            }
        } else {
            throw platform_error("unknown PE optional header");
        }
        exportsAt = directory.Size != 0 ? directory.VirtualAddress : 0;
        const std::uint64_t sectionsAt = optional + header.SizeOfOptionalHeader;
        for (WORD i = 0; i < header.NumberOfSections; ++i) {
            sections.push_back(
                readAt<IMAGE_SECTION_HEADER>(file, sectionsAt + i * sizeof(IMAGE_SECTION_HEADER)));
        }
    }

    // The file offset of a relative virtual address.
    std::uint64_t offsetOf(DWORD rva) const {
        for (const IMAGE_SECTION_HEADER& section : sections) {
            const DWORD size = std::max<DWORD>(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva - section.VirtualAddress < size) {
                const DWORD into = rva - section.VirtualAddress;
                if (into >= section.SizeOfRawData) {
                    throw platform_error("export data outside the file's sections");
                }
                return static_cast<std::uint64_t>(section.PointerToRawData) + into;
            }
        }
        throw platform_error("export data outside the file's sections");
    }

    std::string textAt(DWORD rva) const {
        const std::uint64_t at = offsetOf(rva);
        const void* nul = std::memchr(file.data() + at, '\0', file.size() - at);
        if (nul == nullptr) {
            throw platform_error("unterminated export name");
        }
        return std::string(reinterpret_cast<const char*>(file.data() + at));
    }

    std::vector<std::string> exports() const {
        std::vector<std::string> names;
        if (exportsAt == 0) {
            return names;
        }
        const auto directory = readAt<IMAGE_EXPORT_DIRECTORY>(file, offsetOf(exportsAt));
        std::set<DWORD> named;
        for (DWORD i = 0; i < directory.NumberOfNames; ++i) {
            names.push_back(
                textAt(readAt<DWORD>(file, offsetOf(directory.AddressOfNames) + 4 * i)));
            named.insert(readAt<WORD>(file, offsetOf(directory.AddressOfNameOrdinals) + 2 * i));
        }
        for (DWORD i = 0; i < directory.NumberOfFunctions; ++i) {
            const DWORD address =
                readAt<DWORD>(file, offsetOf(directory.AddressOfFunctions) + 4 * i);
            if (address != 0 && named.count(i) == 0) {
                names.push_back("ordinal " + std::to_string(directory.Base + i));
            }
        }
        return names;
    }

private:
    const bytes& file;
    DWORD exportsAt = 0;
    std::vector<IMAGE_SECTION_HEADER> sections;
};

} // namespace

std::vector<std::string> libraryExports(const std::string& path) {
    const bytes file = readLibraryFile(path);
    try {
        return pe_image(file).exports();
    } catch (const platform_error& error) {
        throw platform_error(path + ": " + error.what());
    }
}
