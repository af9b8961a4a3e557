// Slow, plainly written readings of what zeth_string and zeth_stringlist promise, against which
// the zeth_string fuzz target compares them. They work on std::string and the standard library's
// own conversions (std::to_chars, std::strtoll) rather than on anything the classes share.
#pragma once

#include <string>
#include <vector>

// A copy of text with every occurrence of its lowest marker %1 .. %99 (a "%" and one or two
// digits, read greedily) replaced by replacement; text itself when it has no marker.
std::string referenceArg(const std::string& text, const std::string& replacement);
// pattern with its markers %1 .. %n filled from arguments in a single pass; other markers stay.
std::string referenceFillMarkers(const std::string& pattern,
                                 const std::vector<std::string>& arguments);
// The text of value in base (2 to 36, anything else means 10), left-padded with fill (a space
// for fill 0) to width characters.
std::string referenceNumber(int value, char fill, unsigned width, int base);
// A whole-text decimal number with optional sign and surrounding blanks (space, tab, CR, LF); 0
// for anything else and for numbers outside the int range.
int referenceToInt(const std::string& text);
// The first run of digits, negative after a "-", saturated at the int limits; 0 without digits.
int referenceFirstInt(const std::string& text);
// The text cut at every separator; no elements for the empty text.
std::vector<std::string> referencePieces(const std::string& text, char separator);
