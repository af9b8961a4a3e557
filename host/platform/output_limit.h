// output_limit: a program's output kept up to a limit, for child_program's implementations on each
// system. Internal to this layer.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>

// Appends what fits under the limit; notes the rest as dropped.
inline void keepWithinLimit(std::string& kept, const char* bytes, std::size_t count,
                            std::size_t limit, bool& truncated) {
    const std::size_t room = kept.size() < limit ? limit - kept.size() : 0;
    kept.append(bytes, std::min(room, count));
    truncated = truncated || count > room;
}
