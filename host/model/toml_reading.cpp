#include "toml_reading.h"

#include "problem_list.h"
#include "text_file.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace {

// Finds nesting deeper than maxTomlNesting without parsing: the containers ([ and {) open around
// a point, plus the parts of the table header and of the key being written there ("a.b.c = 1" is
// three tables deep). Strings and comments are skipped. Returns the line where the limit is
// passed, or 0.
int tooDeepAt(const std::string& text) {
    std::vector<char> open; // '[' or '{' of the values around
    bool inKey = true;      // reading a key or a table header
    bool inHeader = false;
    int headerParts = 0;
    int keyParts = 0;
    int line = 1;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '"' || c == '\'') {
            const std::string close(text.compare(at, 3, std::string(3, c)) == 0 ? 3 : 1, c);
            std::size_t end = at + close.size();
            while (end < text.size() && text.compare(end, close.size(), close) != 0 &&
                   (close.size() == 3 || text[end] != '\n')) {
                const std::size_t step = c == '"' && text[end] == '\\' ? 2 : 1;
                line += static_cast<int>(std::count(
                    text.begin() + static_cast<long>(end),
                    text.begin() + static_cast<long>(std::min(end + step, text.size())), '\n'));
                end += step;
            }
            // At the closing quotes; at a newline or the end when the string is not closed,
            // which the parser reports.
            at = end < text.size() && text[end] != '\n' ? end + close.size() - 1 : end - 1;
            continue;
        }
        if (c == '#') {
            while (at + 1 < text.size() && text[at + 1] != '\n') {
                ++at;
            }
            continue;
        }
        if (c == '\n') {
            ++line;
            if (open.empty()) {
                inKey = true;
                inHeader = false;
                keyParts = 0;
            }
        } else if (c == '=') {
            inKey = false;
        } else if (c == '.' && inKey) {
            ++(inHeader ? headerParts : keyParts);
        } else if (c == '[' && open.empty() && inKey) {
            inHeader = true;
            headerParts = 1;
        } else if (c == '[' || c == '{') {
            open.push_back(c);
            inKey = c == '{';
            keyParts = 0;
        } else if ((c == ']' || c == '}') && !open.empty()) {
            open.pop_back();
        } else if (c == ',' && !open.empty() && open.back() == '{') {
            inKey = true;
            keyParts = 0;
        }
        if (headerParts + keyParts + static_cast<int>(open.size()) > maxTomlNesting) {
            return line;
        }
    }
    return 0;
}

// How the file wrote a key: "[[routers]]", "[routers]" or "routers".
std::string writtenAs(const toml::key& key, const toml::node& value) {
    const std::string name(key.str());
    if (value.is_array_of_tables()) {
        return "[[" + name + "]]";
    }
    if (value.is_table() && !value.as_table()->is_inline()) {
        return "[" + name + "]";
    }
    return "\"" + name + "\"";
}

std::string in(const std::string& inside) {
    return inside.empty() ? "" : " in " + inside;
}

} // namespace

toml_reading::toml_reading(const std::string& text, std::string from) : origin(std::move(from)) {
    try {
        checkText(text, origin);
    } catch (const text_file_error& error) {
        throw toml_file_error(error.what());
    }
    if (const int line = tooDeepAt(text)) {
        throw toml_file_error(origin + ":" + std::to_string(line) + ": nested more than " +
                              std::to_string(maxTomlNesting) +
                              " deep (tables, arrays and dotted keys within one another)");
    }
    try {
        document = toml::parse(text, origin);
    } catch (const toml::parse_error& error) {
        const toml::source_position& where = error.source().begin;
        std::string what(error.description());
        if (!what.empty()) {
            what[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(what[0])));
        }
        throw toml_file_error(origin + ":" + std::to_string(where.line) + ":" +
                              std::to_string(where.column) + ": " + what);
    }
}

std::string toml_reading::located(const toml::source_region& where,
                                  const std::string& message) const {
    return origin + ":" + std::to_string(where.begin.line) + ": " + message;
}

void toml_reading::fail(const toml::source_region& where, const std::string& message) const {
    throw toml_file_error(located(where, message));
}

void toml_reading::checkKeys(const toml::table& table, const std::vector<toml_key>& known,
                             const std::string& inside) {
    for (const auto& entry : table) {
        const toml::key& key = entry.first;
        const toml::node& value = entry.second;
        const auto matches = [&](const toml_key& each) { return each.name == key.str(); };
        if (std::any_of(known.begin(), known.end(), matches)) {
            continue;
        }
        const std::string written = writtenAs(key, value);
        std::string message =
            "unknown " + std::string(written[0] == '[' ? "table " : "key ") + written + in(inside);
        std::vector<std::string> knownNames;
        for (const toml_key& each : known) {
            knownNames.emplace_back(each.name);
        }
        const std::string near = nearestName(key.str(), knownNames);
        const toml_key* nearest = nullptr;
        for (const toml_key& each : known) {
            nearest = each.name == near ? &each : nearest;
        }
        if (nearest != nullptr) {
            const std::string name(nearest->shown());
            message += "; did you mean " + (name[0] == '[' ? name : "\"" + name + "\"") + "?";
        } else {
            std::string names;
            for (const toml_key& each : known) {
                names += (names.empty() ? "" : ", ") + std::string(each.shown());
            }
            message += " (known here: " + names + ")";
        }
        problems.emplace_back(key.source().begin.line, located(key.source(), message));
    }
}

void toml_reading::throwProblems() const {
    if (problems.empty()) {
        return;
    }
    // In the order of the file, which the tables' own (by name) is not.
    std::vector<std::pair<toml::source_index, std::string>> ordered = problems;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> messages;
    for (auto& each : ordered) {
        messages.push_back(std::move(each.second));
    }
    throw toml_file_error(showProblems(messages));
}

std::string toml_reading::kindOf(const toml::node& value) {
    switch (value.type()) {
    case toml::node_type::string:
        return "a text";
    case toml::node_type::integer:
        return "a whole number";
    case toml::node_type::floating_point:
        return "a number with a fraction";
    case toml::node_type::boolean:
        return "true or false";
    case toml::node_type::date:
        return "a date";
    case toml::node_type::time:
        return "a time";
    case toml::node_type::date_time:
        return "a date and time";
    case toml::node_type::array:
        return "an array";
    case toml::node_type::table:
        return "a table";
    case toml::node_type::none:
        break;
    }
    return "nothing";
}

void toml_reading::wrongKind(const toml::node& value, std::string_view key,
                             const std::string& inside, const std::string& expected) const {
    fail(value.source(),
         std::string(key) + in(inside) + " must be " + expected + ", not " + kindOf(value));
}

const toml::node& toml_reading::required(const toml::table& table, std::string_view key,
                                         const std::string& inside) const {
    const toml::node* value = table.get(key);
    if (value == nullptr) {
        fail(table.source(),
             (inside.empty() ? std::string("the file") : inside) + " needs " + std::string(key));
    }
    return *value;
}

std::string toml_reading::text(const toml::table& table, std::string_view key,
                               const std::string& inside) const {
    const toml::node& value = required(table, key, inside);
    if (!value.is_string()) {
        wrongKind(value, key, inside, "a text");
    }
    return std::string(value.as_string()->get());
}

std::optional<std::string> toml_reading::optionalText(const toml::table& table,
                                                      std::string_view key,
                                                      const std::string& inside) const {
    if (!table.contains(key)) {
        return std::nullopt;
    }
    return text(table, key, inside);
}

std::int32_t toml_reading::whole(const toml::table& table, std::string_view key,
                                 const std::string& inside, std::int64_t low,
                                 std::int64_t high) const {
    const toml::node& value = required(table, key, inside);
    if (!value.is_integer()) {
        wrongKind(value, key, inside, "a whole number");
    }
    const std::int64_t number = value.as_integer()->get();
    if (number < low || number > high) {
        fail(value.source(), std::string(key) + in(inside) +
                                 " is out of range: " + std::to_string(number) + " is not from " +
                                 std::to_string(low) + " to " + std::to_string(high));
    }
    return static_cast<std::int32_t>(number);
}

std::optional<std::int32_t> toml_reading::optionalWhole(const toml::table& table,
                                                        std::string_view key,
                                                        const std::string& inside, std::int64_t low,
                                                        std::int64_t high) const {
    if (!table.contains(key)) {
        return std::nullopt;
    }
    return whole(table, key, inside, low, high);
}

bool toml_reading::flag(const toml::table& table, std::string_view key, const std::string& inside,
                        bool fallback) const {
    const toml::node* value = table.get(key);
    if (value == nullptr) {
        return fallback;
    }
    if (!value->is_boolean()) {
        wrongKind(*value, key, inside, "true or false");
    }
    return value->as_boolean()->get();
}

const toml::table* toml_reading::subtable(const toml::table& table, std::string_view key,
                                          const std::string& inside) const {
    const toml::node* value = table.get(key);
    if (value != nullptr && !value->is_table()) {
        wrongKind(*value, key, inside, "a table");
    }
    return value == nullptr ? nullptr : value->as_table();
}

std::vector<const toml::table*> toml_reading::tables(std::string_view key) const {
    std::vector<const toml::table*> found;
    const toml::node* value = document.get(key);
    if (value == nullptr) {
        return found;
    }
    if (!value->is_array_of_tables()) {
        wrongKind(*value, key, "", "an array of tables: write [[" + std::string(key) + "]]");
    }
    for (const toml::node& entry : *value->as_array()) {
        found.push_back(entry.as_table());
    }
    return found;
}

std::int32_t toml_reading::keyNumber(const toml::key& key, const std::string& inside,
                                     std::int64_t low, std::int64_t high) const {
    const std::string text(key.str());
    std::int64_t number = 0;
    std::size_t used = 0;
    try {
        number = std::stoll(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || number < low || number > high) {
        fail(key.source(), "the key \"" + text + "\"" + in(inside) + " is not a number from " +
                               std::to_string(low) + " to " + std::to_string(high));
    }
    return static_cast<std::int32_t>(number);
}
