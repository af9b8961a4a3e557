// layout: a panel layout file (such as "R7_DESK.zeth_ui") and the live state of its controls.
//
// The host shows a layout when a panel sends "PS"; from then on the host keeps, per control, the
// enabled state and the properties, which "CD", "CE" and "TP" change and "TG" reads. The panel
// never sees this state except through "TG": it is what the operator would see on the desk.
//
// The file format (TOML, one [[control]] table per control, in the order the desk shows them:
// buttons, latching buttons, lists, labels) and how the host treats each kind of control are
// reference/layout.md (the kit installs it, and "zeth-host help layout" prints it): keep it true
// when the reader or the interpreter changes. The panel relies on none of the host's behaviour.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

enum class control_kind { button, list, label };

// The kind's name in a layout file and in the state document: "button", "list", "label".
const char* controlKindName(control_kind kind);

struct layout_control {
    std::string name;
    control_kind kind = control_kind::button;
    bool latching = false;
    bool enabled = true;
    // The panel has sent "CD" or "CE" for this control: the desk's view shows its state.
    bool enableChanged = false;
    // The command that last disabled the control, for messages about refused clicks.
    std::string disabledBy;
    std::map<std::string, std::string> properties;
    // A list's items come from this database (device named, database number).
    std::string itemsDevice;
    std::int32_t itemsDatabase = 0;
};

class layout_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct layout {
    std::string file; // where it was read from, for messages
    std::string title;
    std::vector<layout_control> controls;

    layout_control* control(const std::string& name);
    const layout_control* control(const std::string& name) const;
    // The first list control, which the operator's "select" uses by default.
    const layout_control* firstList() const;

    // "TP": sets property to value; on a list, "select" also moves the selection ("index").
    static void setProperty(layout_control& target, const std::string& property,
                            const std::string& value);
    // "TG": "property=value"; for "all", every property as "key=value", one a line, by name.
    // Nothing when the control has no such property.
    static std::optional<std::string> reading(const layout_control& target,
                                              const std::string& property);
};

// The panels one desk shows, by panel identifier ("PS" adds one): what the operator sees on it.
using shown_panels = std::map<std::string, layout>;

// Parses a layout from TOML text; origin names it in messages. Throws layout_error with the line
// and what was wrong; every unknown key is an error (all are listed, with the nearest known name),
// and the text is checked before parsing as toml_reading.h says.
layout parseLayout(const std::string& text, const std::string& origin);
