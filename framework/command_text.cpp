#include "command_text.h"

#include <cstring>

void command_text::release() noexcept {
    delete[] text;
}

void command_text::reserve(std::size_t extra) {
    if (used + extra < capacity) {
        return;
    }
    std::size_t larger = capacity * 2;
    while (used + extra >= larger) {
        larger *= 2;
    }
    char* moved = new char[larger];
    std::memcpy(moved, text, used);
    if (text != room) {
        delete[] text;
    }
    text = moved;
    capacity = larger;
}

char* command_text::putFilled(char* out, const command_argument& argument) {
    // Patterns are short names: a plain loop beats a call to find each '%'.
    const char* piece = argument.pattern();
    const char* const end = piece + argument.length();
    while (piece != end) {
        if (isMarker(piece, end)) {
            out = writeDecimal(out, argument.number());
            piece += 2;
        } else {
            *out++ = *piece++;
        }
    }
    return out;
}
