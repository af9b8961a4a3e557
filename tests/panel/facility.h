// facility: the replies of a small facility, for a recording host, and the start-up conversation
// a panel holds with it (empty panel path):
//   devices: "R7 Package Names" 14, "R7 Package XPTS" 15, "R7 SDI Router" 20, "R7 Audio Router" 21
//   button n (1 .. 4): video_id 100 + n, audio_id 200 + n
//   package 5: entry "12,7" (video source 12, audio source 7)
#pragma once

#include "recording_host.h"

#include <string>
#include <vector>

namespace facility {

inline constexpr int packageNames = 14;
inline constexpr int packageXpts = 15;
inline constexpr int videoRouter = 20;
inline constexpr int audioRouter = 21;

inline void answer(recording_host& host) {
    host.replyExact("SD 'R7 Package Names'", "14");
    host.replyExact("SD 'R7 Package XPTS'", "15");
    host.replyExact("SD 'R7 SDI Router'", "20");
    host.replyExact("SD 'R7 Audio Router'", "21 3"); // a second number, which the panel ignores
    host.replyPrefix("PS ", "shown");
    for (int n = 1; n <= 4; ++n) {
        const std::string button = "'Dest_" + std::to_string(n) + "'";
        host.replyExact("TG '1' " + button + " 'video_id'", "video_id=" + std::to_string(100 + n));
        host.replyExact("TG '1' " + button + " 'audio_id'", "audio_id=" + std::to_string(200 + n));
    }
    host.replyExact("RN 15 0 5", "12,7");
}

// The whole start-up conversation with this facility and an empty panel path.
inline const std::vector<std::string>& startup() {
    static const std::vector<std::string> commands = {"SD 'R7 Package Names'",
                                                      "SD 'R7 Package XPTS'",
                                                      "SD 'R7 SDI Router'",
                                                      "SD 'R7 Audio Router'",
                                                      "PS '1' 'R7_DESK.zeth_ui'",
                                                      "CD '1' 'Take'",
                                                      "CD '1' 'Undo'",
                                                      "TG '1' 'Dest_1' 'video_id'",
                                                      "TG '1' 'Dest_1' 'audio_id'",
                                                      "TG '1' 'Dest_2' 'video_id'",
                                                      "TG '1' 'Dest_2' 'audio_id'",
                                                      "TG '1' 'Dest_3' 'video_id'",
                                                      "TG '1' 'Dest_3' 'audio_id'",
                                                      "TG '1' 'Dest_4' 'video_id'",
                                                      "TG '1' 'Dest_4' 'audio_id'",
                                                      "RR 20 101 101",
                                                      "RR 20 102 102 'ADD'",
                                                      "RR 20 103 103 'ADD'",
                                                      "RR 20 104 104 'ADD'",
                                                      "RR 21 201 201",
                                                      "RR 21 202 202 'ADD'",
                                                      "RR 21 203 203 'ADD'",
                                                      "RR 21 204 204 'ADD'",
                                                      "RP 20 101 101",
                                                      "RP 20 102 102",
                                                      "RP 20 103 103",
                                                      "RP 20 104 104",
                                                      "RP 21 201 201",
                                                      "RP 21 202 202",
                                                      "RP 21 203 203",
                                                      "RP 21 204 204"};
    return commands;
}

} // namespace facility
