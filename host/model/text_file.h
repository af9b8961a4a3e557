// text_file: reads a whole text file that a user named (a facility, a layout, a scenario), or
// refuses it with a reason before any parser sees it.
//
// Every reader of user files goes through readTextFile, so that each refusal is said once and
// the same way: a missing file, a directory, anything that is not a regular file (a FIFO, a
// device such as /dev/zero: opened without blocking and never read), a file larger than
// maxTextFileBytes, a NUL byte, and bytes that are not UTF-8. A leading UTF-8 byte-order mark is
// dropped. Failure throws text_file_error whose text starts with the path (and the line, where
// there is one): "PATH: no such file", "PATH:3: a NUL byte ...".
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class text_file_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// No facility, layout or scenario comes near this; anything larger is a wrong file.
constexpr std::uintmax_t maxTextFileBytes = 16u * 1024u * 1024u;

// The file's text, without a leading byte-order mark. Throws text_file_error.
std::string readTextFile(const std::string& path);

// The text's lines, without their line ends ("\n", or "\r\n"); a last line without one counts.
std::vector<std::string> splitLines(const std::string& text);

// The length of the UTF-8 sequence starting at text[at], or 0 when there is none: no overlong
// forms, no surrogates, nothing above U+10FFFF, nothing past the end of text.
std::size_t utf8SequenceLength(const std::string& text, std::size_t at);

// Checks text that did not come from readTextFile (a built-in file) the same way: origin names
// it in the message. Throws text_file_error.
void checkText(const std::string& text, const std::string& origin);
