#include "decodeZETHString.h"

#include "shared_empty_text.h"

#include <cstring>
#include <new>

decodeZETHString::decodeZETHString(const char* text, char quoteCharacter)
    : count(0), buffer(nullptr), quote(quoteCharacter) {
    for (const char*& token : tokens) {
        token = sharedEmptyText;
    }
    const std::size_t n = text != nullptr ? std::strlen(text) : 0;
    if (n == 0) {
        return;
    }
    buffer = n < sizeof room ? room : new (std::nothrow) char[n + 1];
    if (buffer == nullptr) {
        return;
    }
    std::memcpy(buffer, text, n + 1);

    tokens[0] = buffer;
    int latest = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = buffer[i];
        bool startsHere = false;
        if (!quoted && c == quote) {
            buffer[i] = '\0';
            quoted = true;
            continue;
        }
        if (!quoted && c == ' ') {
            buffer[i] = '\0';
            continue;
        }
        if (quoted && c == quote) {
            // Closing an empty run leaves a NUL right before this position: an empty token.
            buffer[i] = '\0';
            quoted = false;
            startsHere = i != 0 && buffer[i - 1] == '\0';
        } else {
            startsHere = i != 0 && buffer[i - 1] == '\0';
        }
        if (startsHere) {
            if (latest == maxTokens - 1) {
                break;
            }
            tokens[++latest] = buffer + i;
        }
    }
    count = latest + 1;
}

decodeZETHString::~decodeZETHString() {
    if (buffer != room) {
        delete[] buffer;
    }
}
