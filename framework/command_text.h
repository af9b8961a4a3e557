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
// until the next append or the end of the object. A finished_command is a constant that a panel
// keeps for as long as it likes and sends through zeth_commands, which copies it to the stack
// first. Failure: when a longer command_text cannot get heap room, append throws std::bad_alloc,
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

// Copies argument to the end of text, each marker %1 becoming the argument's number: the one home
// of the marker rule for both kinds of command text. Runs without a marker go in one piece.
template <typename text_type>
constexpr void appendFilled(text_type& text, const command_argument& argument) {
    const char* piece = argument.pattern();
    const char* const end = piece + argument.length();
    const char* run = piece;
    while (piece != end) {
        const bool marker = piece[0] == '%' && piece + 1 != end && piece[1] == '1' &&
                            (piece + 2 == end || piece[2] < '0' || piece[2] > '9');
        if (marker) {
            text.append(run, static_cast<std::size_t>(piece - run)).append(argument.number());
            piece += 2;
            run = piece;
        } else {
            ++piece;
        }
    }
    text.append(run, static_cast<std::size_t>(end - run));
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

    // Copies the argument's text; with a number, each marker %1 becomes its decimal text.
    command_text& append(const command_argument& argument) {
        if (argument.hasNumber()) {
            appendFilled(*this, argument);
            return *this;
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
        used = static_cast<std::size_t>(writeDecimal(text + used, number) - text);
        return *this;
    }

    // The text so far with its closing NUL, for which every append keeps room.
    const char* c_str() noexcept {
        text[used] = '\0';
        return text;
    }
    std::size_t length() const noexcept { return used; }

private:
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

    // The same appends as command_text's, usable in a constant expression.
    constexpr finished_command& append(const command_argument& argument) {
        if (argument.hasNumber()) {
            appendFilled(*this, argument);
            return *this;
        }
        return append(argument.pattern(), argument.length());
    }
    constexpr finished_command& append(const char* piece, std::size_t count) {
        if (count >= capacity - used) {
            throw std::length_error("a finished command is longer than its room");
        }
        for (std::size_t i = 0; i != count; ++i) {
            chars[used++] = piece[i];
        }
        return *this;
    }
    constexpr finished_command& append(int number) {
        char digits[maxDecimalLength] = {};
        const char* end = writeDecimal(digits, number);
        return append(digits, static_cast<std::size_t>(end - digits));
    }

    // The text with its closing NUL: the room after the text is all NUL.
    constexpr const char* c_str() const noexcept { return chars; }
    constexpr std::size_t length() const noexcept { return used; }

private:
    char chars[capacity] = {};
    std::size_t used = 0;
};
