// The Windows part of file_check. What a path names is asked of the opened object itself
// (GetFileType, then the file's own information), following links as opening does. Two kinds of
// names are told apart before anything is opened, since opening them is not harmless: the pipes
// of the device namespace (opening one connects to its server) and the devices the system finds
// by name in any folder (NUL, CON, COM1, ...).
#include "file_check.h"

#include "platform_error.h"
#include "system_reason.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <optional>

namespace {

[[noreturn]] void fail() {
    throw platform_error(lastSystemReason());
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A device the system reserves by name, with or without an extension, in any folder.
bool reservedDeviceName(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    std::string name = lowered(path.substr(slash == std::string::npos ? 0 : slash + 1));
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    if (name == "con" || name == "prn" || name == "aux" || name == "nul" || name == "conin$" ||
        name == "conout$") {
        return true;
    }
    return name.size() == 4 && (name.rfind("com", 0) == 0 || name.rfind("lpt", 0) == 0) &&
           name[3] >= '1' && name[3] <= '9';
}

bool separator(char c) {
    return c == '\\' || c == '/';
}

// What a name of the device namespace names ("\\.\pipe\x", "\\.\COM1"), without opening
// it; none for any other path, the namespace's own spelling of a drive or share path included
// ("\\?\C:\x").
std::optional<file_kind> deviceNamespaceKind(const std::string& path) {
    if (path.size() < 4 || !separator(path[0]) || !separator(path[1]) ||
        (path[2] != '.' && path[2] != '?') || !separator(path[3])) {
        return std::nullopt;
    }
    const std::string rest = lowered(path.substr(4));
    if (rest.rfind("pipe", 0) == 0 && (rest.size() == 4 || separator(rest[4]))) {
        return file_kind::fifo;
    }
    const bool drive =
        rest.size() >= 2 && std::isalpha(static_cast<unsigned char>(rest[0])) && rest[1] == ':';
    const bool share = rest.size() > 3 && rest.rfind("unc", 0) == 0 && separator(rest[3]);
    if (drive || share) {
        return std::nullopt;
    }
    return file_kind::device;
}

// A FILETIME (100 ns since 1601) in nanoseconds since 1970.
std::int64_t sinceUnixEpoch(const FILETIME& time) {
    constexpr std::int64_t ticksTo1970 = 116444736000000000;
    const std::int64_t ticks = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32U) | time.dwLowDateTime);
    return (ticks - ticksTo1970) * 100;
}

file_facts factsOf(HANDLE file) {
    file_facts facts;
    switch (GetFileType(file)) {
    case FILE_TYPE_DISK: {
        BY_HANDLE_FILE_INFORMATION information{};
        if (GetFileInformationByHandle(file, &information) == 0) {
            fail();
        }
        if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            facts.kind = file_kind::directory;
        } else {
            facts.kind = file_kind::regular;
            facts.size = (static_cast<std::uintmax_t>(information.nFileSizeHigh) << 32U) |
                         information.nFileSizeLow;
        }
        facts.modified = sinceUnixEpoch(information.ftLastWriteTime);
        break;
    }
    case FILE_TYPE_CHAR:
        facts.kind = file_kind::device;
        break;
    case FILE_TYPE_PIPE:
        facts.kind = file_kind::fifo;
        break;
    default:
        facts.kind = file_kind::other;
        break;
    }
    return facts;
}

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace

file_facts examineFile(const std::string& path) {
    if (const std::optional<file_kind> kind = deviceNamespaceKind(path)) {
        return {*kind, 0, 0};
    }
    if (reservedDeviceName(path)) {
        return {file_kind::device, 0, 0};
    }
    // Backup semantics: a folder opens too, and then says what it is.
    const HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, shareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD why = GetLastError();
        if (why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND ||
            why == ERROR_INVALID_NAME || why == ERROR_BAD_NETPATH) {
            return {};
        }
        throw platform_error(systemReason(why));
    }
    try {
        const file_facts facts = factsOf(file);
        CloseHandle(file);
        return facts;
    } catch (...) {
        CloseHandle(file);
        throw;
    }
}

void copyModifiedTime(const std::string& from, const std::string& to) {
    // Attribute access only: neither opening conflicts with a program that holds either file.
    const HANDLE source = CreateFileA(from.c_str(), FILE_READ_ATTRIBUTES, shareAll, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (source == INVALID_HANDLE_VALUE) {
        fail();
    }
    FILETIME written{};
    const BOOL read = GetFileTime(source, nullptr, nullptr, &written);
    const DWORD readWhy = GetLastError();
    CloseHandle(source);
    if (read == 0) {
        throw platform_error(systemReason(readWhy));
    }
    const HANDLE target = CreateFileA(to.c_str(), FILE_WRITE_ATTRIBUTES, shareAll, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (target == INVALID_HANDLE_VALUE) {
        fail();
    }
    const BOOL set = SetFileTime(target, nullptr, nullptr, &written);
    const DWORD setWhy = GetLastError();
    CloseHandle(target);
    if (set == 0) {
        throw platform_error(systemReason(setWhy));
    }
}

input_file::input_file(const std::string& path)
    : handle(reinterpret_cast<std::intptr_t>(CreateFileA(path.c_str(), GENERIC_READ, shareAll,
                                                         nullptr, OPEN_EXISTING,
                                                         FILE_FLAG_BACKUP_SEMANTICS, nullptr))) {
    if (reinterpret_cast<HANDLE>(handle) == INVALID_HANDLE_VALUE) {
        fail();
    }
}

input_file::~input_file() {
    CloseHandle(reinterpret_cast<HANDLE>(handle));
}

file_facts input_file::facts() const {
    return factsOf(reinterpret_cast<HANDLE>(handle));
}

std::size_t input_file::read(char* buffer, std::size_t size) {
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1U << 30));
    if (ReadFile(reinterpret_cast<HANDLE>(handle), buffer, wanted, &got, nullptr) == 0) {
        if (GetLastError() == ERROR_BROKEN_PIPE) {
            return 0;
        }
        fail();
    }
    return got;
}
