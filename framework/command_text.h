// command_text: one command text being composed, on the stack of the operation that sends it.
//
// Room for any command the panel sends in practice lies inline (inlineSize bytes, the closing NUL
// included); only a longer text takes the heap, and still comes out whole and exact. Pieces are
// copied straight from what the caller holds: NUL-terminated texts, numbers (written by
// writeNumber), and command_argument values, whose marker is filled as it is copied.
//
// Who uses it: the command operations of zeth_commands, on the host's calling thread; an
// object is never shared, copied or kept beyond the operation. c_str() stays valid until the
// next append or the end of the object. Failure: when a longer text cannot get heap room, append
// throws std::bad_alloc, which notify and the factory catch.
#pragma once

#include "number_text.h"
#include "zeth_string.h"

#include <cstddef>
#include <cstring>

// A text given to a command operation, held by pointer and never copied until it goes into the
// command: a NUL-terminated text (a null pointer reads as the empty text), a zeth_string, or a
// pattern whose markers %1 are filled with a number, such as ("Dest_%1", 3) for "Dest_3" (a "%1"
// followed by another digit is marker 10 to 19, not this one, and stays as it is). Lives
// only during the call it is passed to; it points at the caller's text.
class command_argument {
public:
    // The length of a literal or constant text is found where the call is compiled.
    command_argument(const char* text) noexcept // NOLINT(google-explicit-constructor)
        : chars(text != nullptr ? text : ""), size(std::strlen(chars)) {}
    command_argument(const zeth_string& text) noexcept // NOLINT(google-explicit-constructor)
        : chars(text.str().data()), size(text.str().size()) {}
    command_argument(const char* pattern, int number) noexcept
        : chars(pattern != nullptr ? pattern : ""), size(std::strlen(chars)), filled(true),
          value(number) {}

    // The text as given, markers unfilled, and its length.
    const char* pattern() const noexcept { return chars; }
    std::size_t length() const noexcept { return size; }
    bool hasNumber() const noexcept { return filled; }
    int number() const noexcept { return value; }

private:
    const char* chars;
    std::size_t size;
    bool filled = false;
    int value = 0;
};

class command_text {
public:
    static constexpr std::size_t inlineSize = 256;

    command_text() noexcept = default;
    command_text(const command_text&) = delete;
    command_text& operator=(const command_text&) = delete;
    ~command_text();

    // Copies the argument's text; with a number, each marker %1 becomes its decimal text.
    command_text& append(const command_argument& argument) {
        if (argument.hasNumber()) {
            return appendFilled(argument);
        }
        return append(argument.pattern(), argument.length());
    }
    command_text& append(const char* piece, std::size_t count) {
        if (count >= capacity - used) {
            reserve(count);
        }
        char* const out = text + used;
        // Pieces are short: copied inline, as two overlapping moves, instead of calling memcpy.
        if (count >= 8 && count <= 16) {
            std::memcpy(out, piece, 8);
            std::memcpy(out + count - 8, piece + count - 8, 8);
        } else if (count >= 4 && count < 8) {
            std::memcpy(out, piece, 4);
            std::memcpy(out + count - 4, piece + count - 4, 4);
        } else if (count > 0 && count < 4) {
            out[0] = piece[0];
            out[count / 2] = piece[count / 2];
            out[count - 1] = piece[count - 1];
        } else if (count != 0) {
            std::memcpy(out, piece, count);
        }
        used += count;
        return *this;
    }
    command_text& append(int number) {
        if (maxDecimalLength >= capacity - used) {
            reserve(maxDecimalLength);
        }
        used = static_cast<std::size_t>(writeNumber(text + used, number) - text);
        return *this;
    }

    // The text so far with its closing NUL, for which every append keeps room.
    const char* c_str() noexcept {
        text[used] = '\0';
        return text;
    }
    std::size_t length() const noexcept { return used; }

private:
    command_text& appendFilled(const command_argument& argument);
    // Makes room for extra more characters and the closing NUL.
    void reserve(std::size_t extra);

    char room[inlineSize];
    char* text = room;
    std::size_t used = 0;
    std::size_t capacity = inlineSize;
};
