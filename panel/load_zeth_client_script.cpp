// The plug-in's factory: the framework's, for the R7_DESK class.
#include "load_zeth_client_script.h"

#include "R7_DESK.h"
#include "zeth_panel_factory.h"

ZETH_PANEL(R7_DESK)
