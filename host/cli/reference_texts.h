// reference_texts: the reference texts of the source tree's reference/ folder, compiled into
// zeth-host (reference_texts.cpp is generated from them when zeth-host is built), each under the
// name of its file without ".md", in the order "zeth-host help" lists them.
#pragma once

#include <vector>

struct reference_text {
    const char* topic;   // "events": reference/events.md
    const char* summary; // one line for the list of topics
    const char* text;    // the whole file
};

const std::vector<reference_text>& referenceTexts();
