// quiet_panel: a panel that answers every host message with nothing, so that a test or a
// benchmark can call the command operations of zeth_script_helper on their own.
#pragma once

#include "zeth_script_helper.h"

class quiet_panel : public zeth_script_helper {
public:
    using zeth_script_helper::zeth_script_helper;
    void onButton(controlEvent&) override {}
    int onRevertive(revertiveEvent&) override { return 0; }
    zeth_string onQuery(queryEvent&) override { return {}; }
    void onTimer(int) override {}
};
