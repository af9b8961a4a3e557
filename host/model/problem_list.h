// problem_list: the problems a reader found in one file, shown as at most a screenful.
//
// Readers that go on after a problem (the scenario reader, the facility and layout readers for
// unknown keys) collect every problem and show them with showProblems: the first
// maxShownProblems, one a line, then "... and N more errors". A file with hundreds of wrong
// lines thus still fits a terminal, and the first lines, the ones to fix first, stay in view.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t maxShownProblems = 20;

// The problems one a line (no newline after the last), at most maxShownProblems of them and then
// a line with how many more there are.
std::string showProblems(const std::vector<std::string>& problems);

// The known name nearest to name, when it is near enough to be what was meant (a few edits: at
// most a third of its length, and at least one), for "did you mean ...?"; otherwise empty.
std::string nearestName(std::string_view name, const std::vector<std::string>& known);
