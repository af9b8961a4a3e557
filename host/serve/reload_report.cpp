#include "reload_report.h"

#include <algorithm>

std::optional<std::size_t> firstDifferingLine(const std::vector<std::string>& previous,
                                              const std::vector<std::string>& replay) {
    const auto differ =
        std::mismatch(previous.begin(), previous.end(), replay.begin(), replay.end());
    if (differ.first == previous.end() && differ.second == replay.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(differ.first - previous.begin());
}

std::size_t failedExpectations(const std::vector<std::string>& transcript) {
    return static_cast<std::size_t>(
        std::count_if(transcript.begin(), transcript.end(), [](const std::string& line) {
            return line.rfind("    expect ", 0) == 0 && line.find(": FAILED") != std::string::npos;
        }));
}

std::string changeText(const reload_report& report) {
    if (!report.inService) {
        return "Rolled back: build " + std::to_string(report.build.number) +
               " did not get through the session, so the build before it serves on. " +
               report.refusal;
    }
    const std::optional<std::size_t> differs = firstDifferingLine(report.previous, report.replay);
    if (!differs) {
        return "No change in behaviour";
    }
    const std::size_t failed = failedExpectations(report.replay);
    return "The behaviour changed from line " + std::to_string(*differs + 1) + " on" +
           (failed == 0 ? std::string()
                        : " (" + std::to_string(failed) +
                              (failed == 1 ? " expectation of the session fails)"
                                           : " expectations of the session fail)"));
}

nlohmann::json reportDocument(const reload_report& report) {
    const std::optional<std::size_t> differs = firstDifferingLine(report.previous, report.replay);
    return {{"reload", report.reload},
            {"build", report.build.number},
            {"plugin", report.pluginFile},
            {"modified", report.build.modified},
            {"outcome", report.inService ? "in-service" : "rolled-back"},
            {"refusal", report.refusal},
            {"change", changeText(report)},
            {"first_difference", differs ? nlohmann::json(*differs) : nlohmann::json(nullptr)},
            {"failed_expectations", failedExpectations(report.replay)},
            {"lines", report.lines},
            {"seconds", report.seconds},
            {"previous", report.previous},
            {"replay", report.replay}};
}
