#include "command_text.h"

#include <cstring>

command_text::~command_text() {
    if (text != room) {
        delete[] text;
    }
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

command_text& command_text::appendFilled(const command_argument& argument) {
    const char* piece = argument.pattern();
    const char* end = piece + argument.length();
    while (piece != end) {
        const bool marker = piece[0] == '%' && piece + 1 != end && piece[1] == '1' &&
                            (piece + 2 == end || piece[2] < '0' || piece[2] > '9');
        if (marker) {
            append(argument.number());
            piece += 2;
        } else {
            append(piece++, 1);
        }
    }
    return *this;
}
