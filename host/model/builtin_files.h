// builtin_files: the facility, the layout and the demo scenario compiled into zeth-host, so that
// it runs with no arguments and no files to write first. They are the files of host/examples/,
// embedded when the program is built: the shipped examples and the built-in ones are the same.
#pragma once

#include "facility.h"
#include "layout_store.h"

#include <string>

const std::string& builtinFacilityText();
const std::string& builtinLayoutText(); // R7_DESK.zeth_ui
const std::string& builtinDemoText();

// The built-in facility; its panels get the panel path "<built-in>".
facility builtinFacility();
// A layout store that knows the built-in layout as "<built-in>/R7_DESK.zeth_ui".
layout_store builtinLayouts();
