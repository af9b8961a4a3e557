// decodeZETHString: the quote-aware tokeniser of host replies.
//
// Spaces separate tokens; a run enclosed in the quote character is one token, spaces kept, quotes
// dropped; a quote character separates also where no space stands. Token 0 always begins at the
// first character, so a text that starts with a space or a quote has an empty token 0. At most 32
// tokens are kept; the rest of the text is dropped.
//
// Who calls it: lookupDevice on the reply to "SD", and anyone else that reads host replies.
// Ownership: the constructor copies the input once (the caller may release the input as soon as
// the constructor returns) and cuts the copy in place; a text shorter than inlineSize is copied
// into the object itself, a longer one to the heap. Every token points into that copy or at
// sharedEmptyText, never at null, and stays valid while the object lives. Objects are used in
// place: never copied or assigned. An allocation that fails leaves the object with no tokens.
#pragma once

#include <cstdint>

class decodeZETHString {
public:
    static constexpr int maxTokens = 32;
    static constexpr int inlineSize = 64;

    decodeZETHString(const char* text, char quote);
    decodeZETHString(const decodeZETHString&) = delete;
    decodeZETHString& operator=(const decodeZETHString&) = delete;
    virtual ~decodeZETHString();

    const char* tokens[maxTokens]; // token i, or sharedEmptyText when there is no token i
    std::int32_t count;            // number of tokens found, 0 to 32
    char* buffer;                  // the owned, cut copy; null for a null or empty input
    char quote;                    // the quote character given at construction

private:
    char room[inlineSize]; // the copy of a short text
};
