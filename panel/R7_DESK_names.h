// R7_DESK_names: the names the panel relies on in its layout file and the host's configuration,
// exactly as the host and the layout spell them, and the numbers of its Take flash. Used only by
// the R7_DESK implementation files.
#pragma once

namespace r7_desk_names {

// Every command and event of this panel names its own panel "1".
inline constexpr const char* panel = "1";
inline constexpr const char* file = "R7_DESK.zeth_ui";

// Device names in the host's configuration.
inline constexpr const char* packageNamesDevice = "R7 Package Names";
inline constexpr const char* packageXptsDevice = "R7 Package XPTS";
inline constexpr const char* videoRouter = "R7 SDI Router";
inline constexpr const char* audioRouter = "R7 Audio Router";

// Controls. A destination button's name is destinationPattern with its number for %1.
inline constexpr const char* sources = "Sources";
inline constexpr const char* destinationPrefix = "Dest_";
inline constexpr const char* destinationPattern = "Dest_%1";
inline constexpr const char* videoLevel = "videolevel";
inline constexpr const char* audioLevel = "audiolevel";
inline constexpr const char* clear = "Clear";
inline constexpr const char* take = "Take";
inline constexpr const char* undo = "Undo";

// Properties read and set.
inline constexpr const char* videoId = "video_id";
inline constexpr const char* audioId = "audio_id";
inline constexpr const char* listCommand = "index";
inline constexpr const char* pixmap = "pixmap";
inline constexpr const char* statesheet = "statesheet";
inline constexpr const char* deselectButton = "index=-1";
inline constexpr const char* deselectList = "select=-1";

// Images and state sheets.
inline constexpr const char* tickImage = "/images/SmallTick.png";
inline constexpr const char* crossImage = "/images/SmallCross.png";
inline constexpr const char* takeHigh = "KX_TakeHigh";
inline constexpr const char* takeLow = "KX_TakeLow";

// The Take flash: timer 1 ticking once a second, ten ticks.
inline constexpr int flashTimer = 1;
inline constexpr int flashInterval = 1000;
inline constexpr int flashTicks = 10;

// Database 0 of the package crosspoint device holds the entry "video,audio" of each package.
inline constexpr int packageDatabase = 0;
inline constexpr char entrySeparator = ',';
inline constexpr const char* noSource = "-";

} // namespace r7_desk_names
