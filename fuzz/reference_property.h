// referenceProperty: a slow, plainly written reading of the property text rules, against which
// the fuzz target compares decodePropertyString. It cuts the text with std::string searches into
// separate strings instead of cutting a buffer in place.
//
// The rules it reads: the name is everything before the first "." or "=" (the whole text when
// there is neither); each "." before the first "=" starts a part that runs to the next "." or "=";
// the value is everything after the first "=". Once 32 parts exist nothing more is cut: the 32nd
// part keeps the rest of the text, "." and "=" included, and no value is found.
#pragma once

#include <string>
#include <vector>

struct reference_property {
    std::string name;
    std::vector<std::string> parts; // at most 32
    std::string value;
    bool hasValue = false;
};

// The parsed form of text (which holds no NUL); all empty for the empty text.
reference_property referenceProperty(const std::string& text);
