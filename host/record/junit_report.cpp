#include "junit_report.h"

#include "text_file.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <stdexcept>

namespace {

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value < 0.0 ? 0.0 : value);
    return text;
}

std::string attribute(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + xmlText(value, true) + "\"";
}

int count(const junit_suite& suite, junit_case::result outcome) {
    int found = 0;
    for (const junit_case& each : suite.cases) {
        found += each.outcome == outcome ? 1 : 0;
    }
    return found;
}

std::string totals(const junit_suite& suite) {
    return attribute("tests", std::to_string(suite.cases.size())) +
           attribute("failures", std::to_string(count(suite, junit_case::result::failed))) +
           attribute("errors", std::to_string(count(suite, junit_case::result::error))) +
           attribute("skipped", std::to_string(count(suite, junit_case::result::skipped))) +
           attribute("time", seconds(suite.seconds));
}

} // namespace

std::string xmlText(const std::string& text, bool inAttribute) {
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8SequenceLength(text, at);
        const auto byte = static_cast<unsigned char>(text[at]);
        if (length == 0 || text.compare(at, 3, "\xEF\xBF\xBE") == 0 ||
            text.compare(at, 3, "\xEF\xBF\xBF") == 0) {
            safe += "\xEF\xBF\xBD"; // U+FFFD
            at += length == 0 ? 1 : length;
            continue;
        }
        at += length;
        if (length > 1) {
            safe.append(text, at - length, length);
            continue;
        }
        switch (byte) {
        case '&':
            safe += "&amp;";
            break;
        case '<':
            safe += "&lt;";
            break;
        case '>':
            safe += "&gt;";
            break;
        case '"':
            safe += inAttribute ? "&quot;" : "\"";
            break;
        case '\n':
            safe += inAttribute ? "&#10;" : "\n";
            break;
        case '\r':
            safe += "&#13;";
            break;
        case '\t':
            safe += inAttribute ? "&#9;" : "\t";
            break;
        default:
            if (byte < 0x20) {
                char shown[8];
                std::snprintf(shown, sizeof shown, "\\x%02x", byte);
                safe += shown;
            } else {
                safe += static_cast<char>(byte);
            }
        }
    }
    return safe;
}

std::string junitDocument(const junit_suite& suite) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" +
                      attribute("name", suite.name) + totals(suite) + ">\n  <testsuite" +
                      attribute("name", suite.name) + totals(suite) +
                      attribute("timestamp", suite.timestamp) + ">\n";
    for (const junit_case& each : suite.cases) {
        xml += "    <testcase" + attribute("name", each.name) +
               attribute("classname", each.classname) + attribute("time", seconds(each.seconds));
        std::string inside;
        switch (each.outcome) {
        case junit_case::result::passed:
            break;
        case junit_case::result::failed:
        case junit_case::result::error: {
            const char* element = each.outcome == junit_case::result::failed ? "failure" : "error";
            inside += std::string("      <") + element + attribute("message", each.message) +
                      attribute("type", each.type) + ">" + xmlText(each.body, false) + "</" +
                      element + ">\n";
            break;
        }
        case junit_case::result::skipped:
            inside += "      <skipped" + attribute("message", each.message) + "/>\n";
            break;
        }
        if (!each.output.empty()) {
            inside += "      <system-out>" + xmlText(each.output, false) + "</system-out>\n";
        }
        xml += inside.empty() ? "/>\n" : ">\n" + inside + "    </testcase>\n";
    }
    return xml + "  </testsuite>\n</testsuites>\n";
}

void writeJunitFile(const std::string& path, const junit_suite& suite) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!(file << junitDocument(suite)) || !file.flush()) {
        throw std::runtime_error("cannot write the JUnit report " + path +
                                 ": choose a file in a folder that can be written");
    }
}

std::string junitTimestamp() {
    const std::time_t now = std::time(nullptr);
    char text[32] = "";
    // std::localtime: zeth-host calls it on its one thread only.
    if (const std::tm* local = std::localtime(&now)) {
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", local);
    }
    return text;
}
