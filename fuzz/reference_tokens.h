// referenceTokens: a slow, plainly written reading of the reply tokenising rules, against which
// the fuzz target compares decodeZETHString. It walks the text once and builds each token as its
// own std::string, never cutting a buffer in place, so that it shares no mechanism with the
// decoder it checks.
//
// The rules it reads: token 0 begins at the first character whatever that is; outside a quoted
// run a quote character opens a run and a space separates, both dropping out of the text; inside
// a run every character but the quote character belongs to the token, and the quote character
// closes the run; a character that follows a dropped one (not at the very start) begins a new
// token, and so does the closing quote of an empty run, as an empty token; when a 33rd token would
// begin, the rest of the text is ignored.
#pragma once

#include <string>
#include <vector>

// The tokens of text (which holds no NUL), at most 32; none for the empty text.
std::vector<std::string> referenceTokens(const std::string& text, char quote);
