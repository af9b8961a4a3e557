// validation_config: a project's settings for "zeth-host validate", read from a TOML file given
// with --config, so that CI runs the checks the same way every time and every check the project
// turns off says why:
//
//   seed = 7                        # the random operator session's seed (--seed)
//   messages = 2000                 # its actions (--messages)
//   timeout = 10                    # seconds a call may take, in every check (--timeout)
//   skip = { "message-time" = "the panel waits on a device by design" }
//   timeouts = { "operator-session" = 30 }    # seconds a call may take, in that check
//
// A skip needs a reason (an empty one is refused); a skipped check does not run and shows as
// skipped with its reason and the line of the file. Options on the command line win over the
// file. The file is read as every user file is (text_file.h, toml_reading.h); an unknown key or
// check id is an error naming the line and the nearest name. Every problem throws
// validation_error (exit status 2).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

struct configured_skip {
    std::string reason;
    int line = 0;
};

struct validation_config {
    std::string file;
    std::optional<std::uint64_t> seed;
    std::optional<std::int64_t> messages;
    std::optional<double> timeout;
    std::map<std::string, configured_skip> skips; // by check id
    std::map<std::string, double> timeouts;       // by check id: seconds a call may take
};

validation_config readValidationConfig(const std::string& path);
