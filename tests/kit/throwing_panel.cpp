// throwing_panel: a panel built on the framework whose click handler fails half-way, as an
// unfinished one does: a click on "Fire" disables Fire, then throws. The framework catches the
// exception at the host boundary and writes its one debug-output line; the kit's consumer test
// checks that the installed zeth-host reports it (run) and fails the check (validate).
#include "zeth_panel_factory.h"
#include "zeth_script_helper.h"

#include <stdexcept>

class throwing_panel : public zeth_script_helper {
public:
    throwing_panel(zeth_client_callback* hostObject, const char* path)
        : zeth_script_helper(hostObject, path, "1") {
        showPanel("throwing_panel.zeth_ui");
    }

    void onClick(const zeth_string& control) override {
        if (control == "Fire") {
            disableControl("Fire");
            throw std::runtime_error("the salvo has no destinations");
        }
    }
    int onRevertive(revertiveEvent& /*event*/) override { return 0; }
};

ZETH_PANEL(throwing_panel)
