#include "decodePropertyString.h"

#include "shared_empty_text.h"

#include <cstring>
#include <new>

decodePropertyString::decodePropertyString(const char* text)
    : name(sharedEmptyText), value(sharedEmptyText), partCount(0), hasValue(false),
      buffer(nullptr) {
    for (const char*& part : parts) {
        part = sharedEmptyText;
    }
    const std::size_t n = text != nullptr ? std::strlen(text) : 0;
    if (n == 0) {
        return;
    }
    buffer = new (std::nothrow) char[n + 1];
    if (buffer == nullptr) {
        return;
    }
    std::memcpy(buffer, text, n + 1);
    // A non-empty text always has its name at the start of the copy; cutting below only shortens
    // it.
    name = buffer;
    for (std::size_t i = 0; i < n && partCount < maxParts; ++i) {
        if (buffer[i] == '.') {
            buffer[i] = '\0';
            parts[partCount++] = buffer + i + 1;
        } else if (buffer[i] == '=') {
            buffer[i] = '\0';
            hasValue = true;
            value = buffer + i + 1;
            break;
        }
    }
}

decodePropertyString::~decodePropertyString() {
    delete[] buffer;
}
