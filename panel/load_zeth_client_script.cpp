#include "load_zeth_client_script.h"

#include "R7_DESK.h"

#include <new>

extern "C" ZETH_EXPORT zeth_client_callback* load_zeth_client_script(zeth_client_callback* host,
                                                                     const char* panelPath) {
    try {
        // When the constructor throws, the base part already built is destroyed and the memory
        // is released by the matching nothrow delete: nothing stays behind.
        return new (std::nothrow) R7_DESK(host, panelPath);
    } catch (...) {
        return nullptr;
    }
}
