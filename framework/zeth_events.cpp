#include "zeth_events.h"

zeth_string controlEvent::panel() const {
    return zeth_string(record->panel);
}

zeth_string controlEvent::control() const {
    return zeth_string(record->control);
}

zeth_string controlEvent::command() const {
    return zeth_string(record->parameter != nullptr ? record->parameter->name : nullptr);
}

zeth_string controlEvent::value() const {
    return zeth_string(record->parameter != nullptr ? record->parameter->value : nullptr);
}

zeth_string queryEvent::name() const {
    return zeth_string(parsed->name);
}

zeth_string queryEvent::value() const {
    return zeth_string(parsed->value);
}
