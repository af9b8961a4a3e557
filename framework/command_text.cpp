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
