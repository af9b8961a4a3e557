// junit_report: results as the JUnit XML that CI systems read.
//
// A report is one testsuite (one run of zeth-host) of testcases (a scenario file, a check of
// validate), each passed, failed (an expectation or a rule of the contract broken: a failure
// element), error (it could not be run: an error element) or skipped, with its time. A failure's
// message is one line and its body the transcript lines around it.
//
// The document is well-formed XML 1.0 whatever the texts hold, since a panel's texts reach it:
// markup characters are escaped, control characters that XML cannot carry become "\xNN", bytes
// that are not UTF-8 (and U+FFFE, U+FFFF) become U+FFFD; no CDATA section is written, so "]]>"
// needs nothing. No XML library of the archive does this to arbitrary bytes, and writing the
// five escapes is all the rest of the format asks.
#pragma once

#include <string>
#include <vector>

struct junit_case {
    enum class result { passed, failed, error, skipped };
    std::string name;
    std::string classname;
    double seconds = 0.0;
    result outcome = result::passed;
    std::string message; // failed, error, skipped: one line
    std::string type;    // failed, error: what failed (a violation id, "expectation", "crashed")
    std::string body;    // failed, error: the transcript lines around it
    std::string output;  // system-out: what else is worth keeping, such as a warning's reason
};

struct junit_suite {
    std::string name;
    std::string timestamp; // when the run began, ISO 8601
    double seconds = 0.0;
    std::vector<junit_case> cases;
};

std::string junitDocument(const junit_suite& suite);
// Writes the document to path. Throws std::runtime_error naming the file when it cannot.
void writeJunitFile(const std::string& path, const junit_suite& suite);
// The local time now, as junit_suite::timestamp wants it.
std::string junitTimestamp();

// text as XML character data, or (attribute) as an attribute value between double quotes.
std::string xmlText(const std::string& text, bool attribute);
