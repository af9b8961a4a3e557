// command_formats: the wire text of each host command that carries no reply the panel reads, in
// one place for both kinds of command text. zeth_commands composes them at run time into a
// command_text and sends them; a panel composes those whose every piece is a constant at compile
// time into a finished_command (through zeth_commands' finished... functions), so that sending
// one is a copy of a finished text. Either way the text is the same, byte for byte.
//
// Each function appends one whole command to text (a command_text or a finished_command) and
// returns it; nothing is escaped: a quote inside a name goes out as it is.
#pragma once

#include "command_text.h"

namespace command_formats {

// "CD 'panel' 'control'"
template <typename text_type>
constexpr text_type& disableControl(text_type& text, const command_argument& panel,
                                    const command_argument& control) {
    return text.compose("CD '", panel, "' '", control, "'");
}

// "CE 'panel' 'control'"
template <typename text_type>
constexpr text_type& enableControl(text_type& text, const command_argument& panel,
                                   const command_argument& control) {
    return text.compose("CE '", panel, "' '", control, "'");
}

// "TP 'property=value' 'panel' 'control'"
template <typename text_type>
constexpr text_type& textSet(text_type& text, const command_argument& property,
                             const command_argument& value, const command_argument& panel,
                             const command_argument& control) {
    return text.compose("TP '", property, "=", value, "' '", panel, "' '", control, "'");
}

// "TP 'message' 'panel' 'control'": message is a preformed "property=value" text.
template <typename text_type>
constexpr text_type& textSetRaw(text_type& text, const command_argument& message,
                                const command_argument& panel, const command_argument& control) {
    return text.compose("TP '", message, "' '", panel, "' '", control, "'");
}

// "ET id interval"; an interval of 0 gives "ET id", which stops the timer.
template <typename text_type>
constexpr text_type& startTimer(text_type& text, int timerId, int interval) {
    text.compose("ET ", timerId);
    if (interval != 0) {
        text.compose(" ", interval);
    }
    return text;
}

} // namespace command_formats
