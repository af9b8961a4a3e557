// host_messages: delivers messages to a panel the way a host does, through notify with the
// message codes and records of the host boundary. The records live on the caller's stack for the
// duration of the notify call only, as the host's do.
#pragma once

#include "decodePropertyString.h"
#include "zeth_client_callback.h"
#include "zeth_records.h"

#include <cstdint>

namespace host_messages {

// Code 2: a control event of panel panelId and control, whose parsed parameter the host built
// from message. A null message leaves word 4 null; a null panelId or control leaves that word null.
inline void click(zeth_client_callback& panel, const char* control, const char* message = nullptr,
                  const char* panelId = "1") {
    const decodePropertyString parameter(message);
    zeth_event_record record{nullptr, nullptr, panelId, control,
                             message != nullptr ? &parameter : nullptr};
    panel.notify(&record, 2);
}

// Code 4: a tick of timer timerId.
inline void tick(zeth_client_callback& panel, int timerId = 1) {
    panel.notify(reinterpret_cast<void*>(static_cast<std::intptr_t>(timerId)), 4);
}

// Code 1: a revertive of device, reporting source now routed to destination.
inline void revertive(zeth_client_callback& panel, std::int32_t device, std::int32_t destination,
                      std::int32_t source) {
    zeth_revertive_record record{device, 0, destination, source};
    panel.notify(&record, 1);
}

// Code 3: a property query; returns the answer the host would receive.
inline void* query(zeth_client_callback& panel, const char* text) {
    return panel.notify(const_cast<char*>(text), 3);
}

} // namespace host_messages
