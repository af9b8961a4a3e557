// scenario_language: the scenario language described once. The shell's "help" prints this table,
// the parser names its verbs in its messages, and the README's table says the same in prose.
//
// Each row is one form of a line: its first word (the verb, or for an expectation the word after
// "expect"), the form as written and what it means. Rows are in the order the help lists them.
#pragma once

#include <string>
#include <vector>

struct scenario_form {
    const char* verb;    // "click"; for an expectation the word after "expect"
    const char* form;    // "click CONTROL"
    const char* meaning; // "the operator clicks a control"
    bool expectation;    // the line starts with "expect"
    bool openingOnly;    // allowed only before every action (scenario files only)
};

const std::vector<scenario_form>& scenarioForms();
// The verbs of actions or of expectations, each once, in order: "panels, desk, select, ...".
std::string scenarioVerbs(bool expectations);
// The shell's help: every form with its meaning, one a line.
std::string scenarioHelp();
