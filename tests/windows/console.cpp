#include "console.h"

#include "win32_imports.h"

void writeText(const char* text) {
    unsigned long written = 0;
    WriteFile(GetStdHandle(zethStdOutputHandle), text, static_cast<unsigned long>(strlen(text)),
              &written, nullptr);
}

void writeLine(const char* text) {
    writeText(text);
    writeText("\n");
}

void writeDecimal(long value) {
    char digits[16];
    int used = 0;
    unsigned long magnitude =
        value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        digits[used++] = static_cast<char>('0' + magnitude % 10UL);
        magnitude /= 10UL;
    } while (magnitude != 0UL);
    char text[18];
    int length = 0;
    if (value < 0) {
        text[length++] = '-';
    }
    while (used > 0) {
        text[length++] = digits[--used];
    }
    text[length] = '\0';
    writeText(text);
}

void writeHex(unsigned long value) {
    char text[11] = "0x00000000";
    for (int i = 9; i >= 2; --i) {
        text[i] = "0123456789abcdef"[value & 0xFUL];
        value >>= 4;
    }
    writeText(text);
}
