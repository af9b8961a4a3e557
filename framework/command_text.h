// command_text: one command text being composed, on the stack of the operation that sends it;
// finished_command: one composed where the panel is compiled, when every piece is a constant.
//
// Room for any command the panel sends in practice lies inline (inlineSize bytes, the closing NUL
// included); only a longer command_text takes the heap, and still comes out whole and exact. A
// finished_command never takes the heap: one that would not fit fails to compile (or, composed at
// run time, throws std::length_error). Pieces are copied straight from what the caller holds:
// NUL-terminated texts, numbers (written by writeDecimal), and command_argument values, whose
// marker is filled as it is copied.
//
// Who uses them: the command operations of zeth_commands, on the host's calling thread; a
// command_text is never shared, copied or kept beyond the operation, and its c_str() stays valid
// until the next compose or the end of the object. A finished_command is a constant that a panel
// keeps for as long as it likes and sends through zeth_commands, which copies it to the stack
// first. Failure: when a longer command_text cannot get heap room, compose throws std::bad_alloc,
// which notify and the factory catch.
#pragma once

#include "number_text.h"
#include "zeth_string.h"

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string>

// A text given to a command operation, held by pointer and never copied until it goes into the
// command: a NUL-terminated text (a null pointer reads as the empty text), a zeth_string, or a
// pattern whose markers %1 are filled with a number, such as ("Dest_%1", 3) for "Dest_3" (a "%1"
// followed by another digit is marker 10 to 19, not this one, and stays as it is). Lives
// only during the call it is passed to; it points at the caller's text.
class command_argument {
public:
    // The length of a literal or constant text is found where the call is compiled.
    constexpr command_argument(const char* text) noexcept // NOLINT(google-explicit-constructor)
        : chars(text != nullptr ? text : ""), size(std::char_traits<char>::length(chars)) {}
    command_argument(const zeth_string& text) noexcept // NOLINT(google-explicit-constructor)
        : chars(text.str().data()), size(text.str().size()) {}
    constexpr command_argument(const char* pattern, int number) noexcept
        : chars(pattern != nullptr ? pattern : ""), size(std::char_traits<char>::length(chars)),
          filled(true), value(number) {}

    // The text as given, markers unfilled, and its length.
    constexpr const char* pattern() const noexcept { return chars; }
    constexpr std::size_t length() const noexcept { return size; }
    constexpr bool hasNumber() const noexcept { return filled; }
    constexpr int number() const noexcept { return value; }

private:
    const char* chars;
    std::size_t size;
    bool filled = false;
    int value = 0;
};

// True when a marker %1 starts at at (end is the end of its text): a "%1" followed by another
// digit is marker 10 to 19, not this one. The one home of the marker rule for command texts.
constexpr bool isMarker(const char* at, const char* end) noexcept {
    return at[0] == '%' && at + 1 != end && at[1] == '1' &&
           (at + 2 == end || at[2] < '0' || at[2] > '9');
}

class command_text {
public:
    static constexpr std::size_t inlineSize = 256;

    command_text() noexcept = default;
    command_text(const command_text&) = delete;
    command_text& operator=(const command_text&) = delete;
    ~command_text() {
        if (text != room) {
            release();
        }
    }

    // Appends the pieces in order: literal texts, numbers (int) and command_arguments (a const
    // char* piece is read as one); in an argument with a number, each marker %1 becomes its
    // decimal text. Room for the longest text they can make is found once, then the pieces are
    // written one after the other.
    template <typename... pieces> command_text& compose(const pieces&... all) {
        const std::size_t most = (std::size_t{0} + ... + mostLength(all));
        if (most >= capacity - used) {
            reserve(most);
        }
        char* out = text + used;
        ((out = put(out, all)), ...);
        used = static_cast<std::size_t>(out - text);
        return *this;
    }

    // The text so far with its closing NUL, for which every compose keeps room.
    const char* c_str() noexcept {
        text[used] = '\0';
        return text;
    }
    std::size_t length() const noexcept { return used; }

private:
    template <std::size_t size> static constexpr std::size_t mostLength(const char (&)[size]) {
        return size - 1;
    }
    static constexpr std::size_t mostLength(int) { return maxDecimalLength; }
    // Each marker (two characters) grows to at most maxDecimalLength.
    static constexpr std::size_t mostLength(const command_argument& argument) {
        return argument.hasNumber()
                   ? argument.length() + argument.length() / 2 * (maxDecimalLength - 2)
                   : argument.length();
    }

    template <std::size_t size> static char* put(char* out, const char (&piece)[size]) {
        std::memcpy(out, piece, size - 1);
        return out + size - 1;
    }
    static char* put(char* out, int number) { return writeDecimal(out, number); }
    static char* put(char* out, const command_argument& argument) {
        if (argument.hasNumber()) {
            return putFilled(out, argument);
        }
        copyShort(out, argument.pattern(), argument.length());
        return out + argument.length();
    }
    static char* putFilled(char* out, const command_argument& argument);
    // Names and values are short: copied inline, as two overlapping moves, instead of calling
    // memcpy.
    static void copyShort(char* out, const char* piece, std::size_t count) {
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
    }

    void release() noexcept;
    // Makes room for extra more characters and the closing NUL.
    void reserve(std::size_t extra);

    char room[inlineSize];
    char* text = room;
    std::size_t used = 0;
    std::size_t capacity = inlineSize;
};

class finished_command {
public:
    static constexpr std::size_t capacity = command_text::inlineSize;

    constexpr finished_command() noexcept = default;

    // The same pieces as command_text::compose, usable in a constant expression.
    template <typename... pieces> constexpr finished_command& compose(const pieces&... all) {
        (append(all), ...);
        return *this;
    }

    // The text with its closing NUL: the room after the text is all NUL.
    constexpr const char* c_str() const noexcept { return chars; }
    constexpr std::size_t length() const noexcept { return used; }

private:
    constexpr void append(const command_argument& argument) {
        const char* piece = argument.pattern();
        const char* const end = piece + argument.length();
        while (piece != end) {
            if (argument.hasNumber() && isMarker(piece, end)) {
                append(argument.number());
                piece += 2;
            } else {
                put(*piece++);
            }
        }
    }
    constexpr void append(int number) {
        char digits[maxDecimalLength] = {};
        const char* const end = writeDecimal(digits, number);
        for (const char* digit = digits; digit != end; ++digit) {
            put(*digit);
        }
    }
    constexpr void put(char c) {
        if (used + 1 >= capacity) {
            throw std::length_error("a finished command is longer than its room");
        }
        chars[used++] = c;
    }

    char chars[capacity] = {};
    std::size_t used = 0;
};
