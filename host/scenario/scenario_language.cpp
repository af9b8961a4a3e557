#include "scenario_language.h"

const std::vector<scenario_form>& scenarioForms() {
    static const std::vector<scenario_form> forms = {
        {"panels", "panels N", "N desks share the facility", false, true},
        {"facility", "facility \"FILE\"",
         "the scenario's facility file, relative to the scenario file", false, true},
        {"desk", "desk N", "the following lines act on desk N", false, false},
        {"select", "select N | select \"TEXT\" [in LIST]",
         "the operator picks an item of the first list (or of LIST)", false, false},
        {"click", "click CONTROL", "the operator clicks a control", false, false},
        {"wait", "wait 3s | wait 1500ms", "time passes: ticks and revertives fall due", false,
         false},
        {"route", "route ROUTER DEST SOURCE", "a crosspoint made behind the panels' back", false,
         false},
        {"revertive", "revertive ROUTER DEST SOURCE",
         "the router reports a source without routing it", false, false},
        {"query", "query \"TEXT\"", "the host asks the panel a property query", false, false},
        {"close", "close", "the host deletes the desk's panel", false, false},
        {"view", "view", "shows the desks and the routers", false, false},
        {"crosspoint", "expect crosspoint ROUTER DEST = SOURCE",
         "the router carries SOURCE at DEST", true, false},
        {"enabled", "expect enabled CONTROL", "the control is enabled on the desk", true, false},
        {"disabled", "expect disabled CONTROL", "the control is disabled on the desk", true, false},
        {"property", "expect property CONTROL NAME = VALUE", "a control's property", true, false},
        {"command", "expect [no] command [starting] \"TEXT\"",
         "a command the desk sent during the last action", true, false},
        {"commands", "expect commands [first|last|including] \"TEXT\" ...",
         "the last action's commands, all (or a run) in order", true, false},
        {"answer", "expect answer null | expect answer \"TEXT\"",
         "the panel's answer to the last query", true, false},
        {"timers", "expect timers N", "the desk runs N timers", true, false},
        {"refused", "expect refused", "the last action was refused, and reported", true, false},
        {"violation", "expect violation ID",
         "a contract violation during the last action, expected", true, false},
    };
    return forms;
}

std::string scenarioVerbs(bool expectations) {
    std::string verbs;
    for (const scenario_form& each : scenarioForms()) {
        if (each.expectation == expectations) {
            verbs += (verbs.empty() ? "" : ", ") + std::string(each.verb);
        }
    }
    return verbs;
}

std::string scenarioHelp() {
    std::string help = "The scenario language, one line at a time (a text with spaces in double "
                       "quotes):\n";
    for (const scenario_form& each : scenarioForms()) {
        // The meanings in a column of their own; after a long form, on the next line.
        const std::string form = each.form;
        help +=
            "  " + form +
            (form.size() < 38 ? std::string(38 - form.size(), ' ') : "\n" + std::string(40, ' ')) +
            each.meaning + (each.openingOnly ? " (scenario files only)" : "") + "\n";
    }
    return help + "  help, quit\n";
}
