#include "scenario_language.h"

const std::vector<scenario_form>& scenarioForms() {
    static const std::vector<scenario_form> forms = {
        {"panels", "panels N", "N desks share the facility", false, true},
        {"facility", "facility \"FILE\"",
         "the scenario's facility file, relative to the scenario file", false, true},
        {"host", "host answers [starting] \"TEXT\" with \"REPLY\"|null [once]",
         "from now on the host answers TEXT (or each command starting so) with REPLY; once: "
         "the next one only; at the top of a file, in the start-up too",
         false, false},
        {"host", "host answers normally", "the host gives its own replies again", false, false},
        {"desk", "desk N", "the following lines act on desk N", false, false},
        {"select", "select N | select \"TEXT\" [in LIST]",
         "the operator picks an item of the first list (or of LIST)", false, false},
        {"click", "click CONTROL [anyway]",
         "the operator clicks a control; anyway: delivered even when it is disabled", false, false},
        {"wait", "wait 3s | wait 1500ms", "time passes: ticks and revertives fall due", false,
         false},
        {"route", "route ROUTER DEST SOURCE", "a crosspoint made behind the panels' back", false,
         false},
        {"revertive", "revertive DEVICE DEST SOURCE",
         "the device reports any source at any destination, without routing it", false, false},
        {"query", "query \"TEXT\"", "the host asks the panel a property query", false, false},
        {"tick", "tick N", "the host delivers a tick of timer N, running or not", false, false},
        {"event", "event \"PANEL\" \"CONTROL\" \"MESSAGE\"",
         "the host delivers a control event of any panel, control and message", false, false},
        {"message", "message 6|7 \"TEXT\"", "the host delivers message 6 or 7 with a text", false,
         false},
        {"close", "close", "the host deletes the desk's panel", false, false},
        {"view", "view", "shows the desks and the routers", false, false},
        {"crosspoint", "expect crosspoint ROUTER DEST = SOURCE",
         "the router carries SOURCE at DEST", true, false},
        {"enabled", "expect enabled CONTROL", "the control is enabled on the desk", true, false},
        {"disabled", "expect disabled CONTROL", "the control is disabled on the desk", true, false},
        {"property", "expect property CONTROL NAME = VALUE", "a control's property", true, false},
        {"command", "expect [no] command [starting] \"TEXT\"",
         "a command the desk sent during the last action", true, false},
        {"commands", "expect commands [first|last|including] \"TEXT\" ... | expect commands none",
         "the last action's commands, all (or a run) in order; none: it sent nothing", true, false},
        {"debug", "expect [no] debug [starting] \"TEXT\" | expect no debug",
         "a line of debug output the panel wrote in the last action (no debug: none at all)", true,
         false},
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
    const char* last = "";
    for (const scenario_form& each : scenarioForms()) {
        if (each.expectation == expectations && std::string(each.verb) != last) {
            verbs += (verbs.empty() ? "" : ", ") + std::string(each.verb);
            last = each.verb;
        }
    }
    return verbs;
}

std::string scenarioHelp() {
    std::string help =
        "The scenario language, one line at a time. A text with spaces goes in double quotes "
        "(\\\"\n"
        "for a quote and \\\\ for a backslash inside it); {panel_path} in an expectation or a "
        "host\n"
        "answer stands for the panel path the host gave the factory; \"the last action\" is the\n"
        "desk's own (before any action, the desk's creation).\n";
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
