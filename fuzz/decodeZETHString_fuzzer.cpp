// Fuzz target for decodeZETHString. Every input is tokenised twice: whole, with the quote
// character "'" that lookupDevice uses on "SD" replies, and from its second byte on with its first
// byte as the quote character (space and NUL included). Each result must equal referenceTokens and
// keep the decoder's field invariants. The text ends at the first NUL byte of the input, as a C
// text from the host would; an empty input also tries the null text.
#include "decodeZETHString.h"
#include "fuzz_check.h"
#include "reference_tokens.h"
#include "shared_empty_text.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string describe(const std::string& text, char quote) {
    return "input " + shown(text) + " quote " + shown(std::string(1, quote));
}

// Failure messages are built only when a check fails: describing a long input costs more than
// checking it.
void checkInvariants(const decodeZETHString& decoded, const std::string& text, char quote) {
    const auto where = [&] { return describe(text, quote); };
    const std::size_t n = text.size();
    FUZZ_CHECK(decoded.quote == quote, where());
    FUZZ_CHECK(decoded.count >= 0 && decoded.count <= decodeZETHString::maxTokens,
               where() + "\ncount " + std::to_string(decoded.count));
    FUZZ_CHECK((decoded.buffer == nullptr) == (n == 0), where());
    FUZZ_CHECK(sharedEmptyText[0] == '\0', where() + "\nthe shared empty text was written");
    for (int i = 0; i < decodeZETHString::maxTokens; ++i) {
        const char* token = decoded.tokens[i];
        const auto which = [&] { return where() + "\ntoken " + std::to_string(i); };
        FUZZ_CHECK(token != nullptr, which());
        if (i >= decoded.count) {
            FUZZ_CHECK(token == sharedEmptyText, which() + " beyond count is not the shared empty");
            continue;
        }
        // A token begins at a position of the text, never at its end: it lies in [buffer, +n).
        FUZZ_CHECK(decoded.buffer != nullptr && token >= decoded.buffer &&
                       token < decoded.buffer + n,
                   which() + " points outside the owned copy");
    }
    if (decoded.buffer != nullptr) {
        FUZZ_CHECK(decoded.buffer[n] == '\0', where() + "\nthe copy lost its terminating NUL");
    }
}

void checkAgainstReference(const std::string& text, char quote) {
    const std::string input = text; // the decoder must copy, never change, what it is given
    const decodeZETHString decoded(input.c_str(), quote);
    const auto where = [&] { return describe(text, quote); };
    FUZZ_CHECK(input == text, where() + "\nthe input text was changed");
    checkInvariants(decoded, text, quote);

    const std::vector<std::string> expected = referenceTokens(text, quote);
    FUZZ_CHECK(static_cast<std::size_t>(decoded.count) == expected.size(),
               where() + "\ncount " + std::to_string(decoded.count) + ", reference " +
                   std::to_string(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        FUZZ_CHECK(expected[i] == decoded.tokens[i], where() + "\ntoken " + std::to_string(i) +
                                                         " " + shown(decoded.tokens[i]) +
                                                         ", reference " + shown(expected[i]));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);
    if (size == 0) {
        const decodeZETHString decoded(nullptr, '\'');
        checkInvariants(decoded, "", '\'');
        FUZZ_CHECK(decoded.count == 0, std::string("the null text gave tokens"));
    }
    const std::string whole = raw.substr(0, std::strlen(raw.c_str()));
    checkAgainstReference(whole, '\'');
    if (size >= 1) {
        const std::string tail = raw.substr(1);
        checkAgainstReference(tail.substr(0, std::strlen(tail.c_str())), raw[0]);
    }
    return 0;
}
