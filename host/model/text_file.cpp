#include "text_file.h"

#include "file_check.h"
#include "platform_error.h"

#include <algorithm>
#include <cstdio>

namespace {

[[noreturn]] void refuse(const std::string& where, const std::string& reason) {
    throw text_file_error(where + ": " + reason);
}

std::string kindOf(file_kind kind) {
    switch (kind) {
    case file_kind::directory:
        return "a directory, not a file";
    case file_kind::fifo:
        return "a FIFO, not a regular file";
    case file_kind::device:
        return "a device, not a regular file";
    case file_kind::socket:
        return "a socket, not a regular file";
    default:
        return "not a regular file";
    }
}

void checkRegular(const std::string& path, const file_facts& facts) {
    if (facts.kind != file_kind::regular) {
        refuse(path, kindOf(facts.kind));
    }
    if (facts.size > maxTextFileBytes) {
        refuse(path, "too large: " + std::to_string(facts.size) + " bytes, at most " +
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
    std::string text;
    try {
        const file_facts named = examineFile(path);
        if (named.kind == file_kind::missing) {
            refuse(path, "no such file");
        }
        checkRegular(path, named);
        // Should the path have become a FIFO since it was examined, opening it does not wait for
        // a writer, and the opened file's own facts refuse it.
        input_file file(path);
        const file_facts opened = file.facts();
        checkRegular(path, opened);
        // Read at most one byte more than allowed, in case the file grew since it was examined.
        text.resize(static_cast<std::size_t>(opened.size) + 1);
        std::size_t filled = 0;
        while (filled < text.size()) {
            const std::size_t got = file.read(&text[filled], text.size() - filled);
            if (got == 0) {
                break;
            }
            filled += got;
            if (filled == text.size() && filled <= maxTextFileBytes) {
                text.resize(std::min<std::size_t>(text.size() * 2, maxTextFileBytes + 1));
            }
        }
        if (filled > maxTextFileBytes) {
            refuse(path, "too large: more than " +
                             std::to_string(maxTextFileBytes / (1024 * 1024)) + " MiB");
        }
        text.resize(filled);
    } catch (const platform_error& error) {
        refuse(path, error.what());
    }
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
