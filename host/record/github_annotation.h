// github_annotation: one failure as an annotation line of the GitHub CI system, which shows it on
// the file and line it names: "::error file=tests/take.zeth,line=12::expect ...: FAILED, ...".
// zeth-host prints these with --report github.
#pragma once

#include <string>

// level: "error", "warning" or "notice"; line 0 leaves the line out. The file and the message are
// escaped as the CI system's workflow commands want (a line end, '%', and in the file ':' and
// ','), so any text stays on the one line. Ends with a newline.
std::string githubAnnotation(const std::string& level, const std::string& file, int line,
                             const std::string& message);
