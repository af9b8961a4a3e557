#include "text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void refuse(const std::string& where, const std::string& reason) {
    throw text_file_error(where + ": " + reason);
}

std::string kindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a directory, not a file";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO, not a regular file";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device, not a regular file";
    }
    if (S_ISSOCK(mode)) {
        return "a socket, not a regular file";
    }
    return "not a regular file";
}

void checkRegular(const std::string& path, const struct stat& status) {
    if (!S_ISREG(status.st_mode)) {
        refuse(path, kindOf(status.st_mode));
    }
    if (static_cast<std::uintmax_t>(status.st_size) > maxTextFileBytes) {
        refuse(path, "too large: " + std::to_string(status.st_size) + " bytes, at most " +
                         std::to_string(maxTextFileBytes / (1024 * 1024)) + " MiB");
    }
}

} // namespace

std::size_t utf8SequenceLength(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
    };
    const unsigned lead = byte(at);
    const auto follows = [&](std::size_t i, unsigned low, unsigned high) {
        return byte(at + i) >= low && byte(at + i) <= high;
    };
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return follows(1, 0x80, 0xBF) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned high = lead == 0xED ? 0x9F : 0xBF;
        return follows(1, low, high) && follows(2, 0x80, 0xBF) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned high = lead == 0xF4 ? 0x8F : 0xBF;
        return follows(1, low, high) && follows(2, 0x80, 0xBF) && follows(3, 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
}

void checkText(const std::string& text, const std::string& origin) {
    int line = 1;
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == '\0') {
            refuse(origin + ":" + std::to_string(line), "a NUL byte: this is not a text file");
        }
        if (text[at] == '\n') {
            ++line;
        }
        const std::size_t length = utf8SequenceLength(text, at);
        if (length == 0) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(text[at]));
            refuse(origin + ":" + std::to_string(line),
                   std::string("the byte ") + hex + " is not UTF-8: save the file as UTF-8");
        }
        at += length;
    }
}

std::string readTextFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        refuse(path, errno == ENOENT ? "no such file" : std::strerror(errno));
    }
    checkRegular(path, status);
    // O_NONBLOCK: should the path have become a FIFO since stat, opening it does not wait for a
    // writer; fstat then refuses it.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        refuse(path, std::strerror(errno));
    }
    std::string text;
    try {
        if (::fstat(descriptor, &status) != 0) {
            refuse(path, std::strerror(errno));
        }
        checkRegular(path, status);
        // Read at most one byte more than allowed, in case the file grew since fstat.
        text.resize(static_cast<std::size_t>(status.st_size) + 1);
        std::size_t filled = 0;
        while (filled < text.size()) {
            const ssize_t got = ::read(descriptor, &text[filled], text.size() - filled);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                refuse(path, std::strerror(errno));
            }
            if (got == 0) {
                break;
            }
            filled += static_cast<std::size_t>(got);
            if (filled == text.size() && filled <= maxTextFileBytes) {
                text.resize(std::min<std::size_t>(text.size() * 2, maxTextFileBytes + 1));
            }
        }
        if (filled > maxTextFileBytes) {
            refuse(path, "too large: more than " +
                             std::to_string(maxTextFileBytes / (1024 * 1024)) + " MiB");
        }
        text.resize(filled);
    } catch (...) {
        ::close(descriptor);
        throw;
    }
    ::close(descriptor);
    static const std::string byteOrderMark = "\xEF\xBB\xBF";
    if (text.compare(0, byteOrderMark.size(), byteOrderMark) == 0) {
        text.erase(0, byteOrderMark.size());
    }
    checkText(text, path);
    return text;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        if (!lines.back().empty() && lines.back().back() == '\r') {
            lines.back().pop_back();
        }
        start = end + 1;
    }
    return lines;
}
