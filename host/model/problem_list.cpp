#include "problem_list.h"

std::string showProblems(const std::vector<std::string>& problems) {
    std::string shown;
    for (std::size_t i = 0; i < problems.size() && i < maxShownProblems; ++i) {
        shown += (i == 0 ? "" : "\n") + problems[i];
    }
    if (problems.size() > maxShownProblems) {
        const std::size_t more = problems.size() - maxShownProblems;
        shown += "\n... and " + std::to_string(more) + " more error" + (more == 1 ? "" : "s");
    }
    return shown;
}
