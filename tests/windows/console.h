// Plain output of the Windows test host to its standard output, through WriteFile alone, so that
// nothing is buffered when the process ends with ExitProcess or dies of an exception.
#pragma once

void writeText(const char* text);
void writeLine(const char* text);
// value in decimal, or in hexadecimal with a "0x" prefix and eight digits.
void writeDecimal(long value);
void writeHex(unsigned long value);
