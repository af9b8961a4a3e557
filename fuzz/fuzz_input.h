// fuzz_input: reads a fuzzer's input from the front, one field at a time, so that a seed can be
// written by hand (or by make_seeds.py) in the same order the target reads it. Past the end every
// read yields zero, the empty text or false, so a target never has to test for the end itself
// except to stop its loop (atEnd).
//
// Fields:
//   byte    one byte
//   int32   four bytes, little-endian, two's complement
//   text    one length byte n, then n bytes (fewer if the input ends first); a NUL inside the
//           text is kept, and readers that want a C text cut it there
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class fuzz_input {
public:
    fuzz_input(const std::uint8_t* data, std::size_t size) noexcept : next(data), left(size) {}

    bool atEnd() const noexcept { return left == 0; }

    std::uint8_t byte() noexcept {
        if (left == 0) {
            return 0;
        }
        --left;
        return *next++;
    }

    std::int32_t int32() noexcept {
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            value |= static_cast<std::uint32_t>(byte()) << shift;
        }
        return static_cast<std::int32_t>(value);
    }

    std::string text() {
        const std::size_t wanted = byte();
        const std::size_t taken = wanted < left ? wanted : left;
        std::string out(reinterpret_cast<const char*>(next), taken);
        next += taken;
        left -= taken;
        return out;
    }

    // The rest of the input, as it stands.
    std::string rest() {
        std::string out(reinterpret_cast<const char*>(next), left);
        next += left;
        left = 0;
        return out;
    }

private:
    const std::uint8_t* next;
    std::size_t left;
};
