// toml_reading: a facility or layout file parsed as TOML, with the checks and the messages that
// both readers share.
//
// Every message starts with "FILE:LINE: " and says what was wrong in the words of the file's
// format ("panel_path must be a text, not a whole number"), never in the TOML library's. Before
// parsing, the text is checked as every user file is (text_file.h) and for nesting: no facility
// or layout nests more than a few tables deep, and deep nesting is refused at the line where it
// passes maxTomlNesting instead of exhausting the parser's stack.
//
// Unknown keys are collected, not thrown at once: checkKeys adds one problem per unknown key with
// the nearest known name, and throwProblems shows them all (a screenful, problem_list.h). Every
// other lookup throws toml_file_error at the first problem.
#pragma once

#include <toml++/toml.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class toml_file_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Tables, arrays and dotted keys within one another; a facility file needs three.
constexpr int maxTomlNesting = 32;

// A key that a table may hold, and how messages write it when that is not its name: "[[router]]"
// for an array of tables.
struct toml_key {
    std::string_view name;
    std::string_view written = {};

    std::string_view shown() const { return written.empty() ? name : written; }
};

class toml_reading {
public:
    // Parses text; origin names it in messages. Throws toml_file_error.
    toml_reading(const std::string& text, std::string origin);

    const toml::table& root() const { return document; }

    // "FILE:LINE: message", for a place in the file.
    std::string located(const toml::source_region& where, const std::string& message) const;
    [[noreturn]] void fail(const toml::source_region& where, const std::string& message) const;

    // Adds a problem for each key of table that is not known; inside names the table
    // ("[[router]]"), empty for the top level.
    void checkKeys(const toml::table& table, const std::vector<toml_key>& known,
                   const std::string& inside);
    // Throws toml_file_error with every problem that checkKeys found, if there are any.
    void throwProblems() const;

    // Lookups of table[key]: a wrong type or a value out of range throws, naming the key and what
    // it must be. The required ones throw when the key is missing.
    std::string text(const toml::table& table, std::string_view key,
                     const std::string& inside) const;
    std::optional<std::string> optionalText(const toml::table& table, std::string_view key,
                                            const std::string& inside) const;
    std::int32_t whole(const toml::table& table, std::string_view key, const std::string& inside,
                       std::int64_t low, std::int64_t high) const;
    std::optional<std::int32_t> optionalWhole(const toml::table& table, std::string_view key,
                                              const std::string& inside, std::int64_t low,
                                              std::int64_t high) const;
    bool flag(const toml::table& table, std::string_view key, const std::string& inside,
              bool fallback) const;
    // table[key] as a table (inline or not), or nullptr when there is no such key.
    const toml::table* subtable(const toml::table& table, std::string_view key,
                                const std::string& inside) const;
    // The tables of "[[key]]" at the top level; none when the key is missing.
    std::vector<const toml::table*> tables(std::string_view key) const;
    // A key of a table that must be a whole number from low to high, such as 101 in
    // "crosspoints = { 101 = 1 }".
    std::int32_t keyNumber(const toml::key& key, const std::string& inside, std::int64_t low,
                           std::int64_t high) const;

    // "a text", "a whole number", ...: what a value is, in the words of the messages.
    static std::string kindOf(const toml::node& value);

private:
    const toml::node& required(const toml::table& table, std::string_view key,
                               const std::string& inside) const;
    [[noreturn]] void wrongKind(const toml::node& value, std::string_view key,
                                const std::string& inside, const std::string& expected) const;

    std::string origin;
    toml::table document;
    std::vector<std::pair<toml::source_index, std::string>> problems; // line, message
};
