#include "problem_list.h"

#include <algorithm>
#include <limits>

namespace {

// The number of single-byte edits (insert, delete, replace, swap two neighbours) that turn one
// name into the other.
std::size_t editDistance(std::string_view from, std::string_view to) {
    std::vector<std::vector<std::size_t>> cost(from.size() + 1,
                                               std::vector<std::size_t>(to.size() + 1));
    for (std::size_t i = 0; i <= from.size(); ++i) {
        for (std::size_t j = 0; j <= to.size(); ++j) {
            if (i == 0 || j == 0) {
                cost[i][j] = i + j;
                continue;
            }
            const std::size_t replace = cost[i - 1][j - 1] + (from[i - 1] == to[j - 1] ? 0 : 1);
            cost[i][j] = std::min({cost[i - 1][j] + 1, cost[i][j - 1] + 1, replace});
            if (i > 1 && j > 1 && from[i - 1] == to[j - 2] && from[i - 2] == to[j - 1]) {
                cost[i][j] = std::min(cost[i][j], cost[i - 2][j - 2] + 1);
            }
        }
    }
    return cost[from.size()][to.size()];
}

} // namespace

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

std::string nearestName(std::string_view name, const std::vector<std::string>& known) {
    const std::string* nearest = nullptr;
    std::size_t distance = std::numeric_limits<std::size_t>::max();
    for (const std::string& each : known) {
        const std::size_t candidate = editDistance(name, each);
        if (candidate < distance) {
            nearest = &each;
            distance = candidate;
        }
    }
    return nearest != nullptr && distance <= std::max<std::size_t>(1, nearest->size() / 3)
               ? *nearest
               : std::string();
}
