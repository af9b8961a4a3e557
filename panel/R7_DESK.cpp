// R7_DESK: state, start-up conversation, revertive tally and property queries.
#include "R7_DESK.h"

#include "R7_DESK_commands.h"
#include "R7_DESK_names.h"
#include "zeth_stringlist.h"

namespace names = r7_desk_names;

R7_DESK::R7_DESK(zeth_client_callback* hostObject, const char* path)
    : zeth_script_helper(hostObject, path) {
    // The results are not looked at: a device the host does not know stays 0 and start-up goes on.
    lookupDevice(names::packageNamesDevice, &fields.packageNamesDevice, nullptr);
    lookupDevice(names::packageXptsDevice, &fields.packageXptsDevice, nullptr);
    lookupDevice(names::videoRouter, &fields.videoRouter, nullptr);
    lookupDevice(names::audioRouter, &fields.audioRouter, nullptr);

    showPanel(names::panel, names::file, "");
    send(r7_desk_commands::disableTake);
    send(r7_desk_commands::disableUndo);

    for (int n = 1; n <= buttonCount; ++n) {
        const command_argument control(names::destinationPattern, n);
        textGet(names::videoId, names::panel, control, fields.videoDestText);
        textGet(names::audioId, names::panel, control, fields.audioDestText);
        fields.videoDest[n] = fields.videoDestText.toInt();
        fields.audioDest[n] = fields.audioDestText.toInt();
    }

    // Every button is registered and polled, also with a number of 0 or one shared with another
    // button: the host always receives the same 31 commands. Only the first registration on each
    // router replaces the earlier ones; the others add to it.
    for (int n = 1; n <= buttonCount; ++n) {
        registerRevertives(fields.videoRouter, fields.videoDest[n], fields.videoDest[n], n != 1);
    }
    for (int n = 1; n <= buttonCount; ++n) {
        registerRevertives(fields.audioRouter, fields.audioDest[n], fields.audioDest[n], n != 1);
    }
    for (int n = 1; n <= buttonCount; ++n) {
        pollRevertives(fields.videoRouter, fields.videoDest[n], fields.videoDest[n]);
    }
    for (int n = 1; n <= buttonCount; ++n) {
        pollRevertives(fields.audioRouter, fields.audioDest[n], fields.audioDest[n]);
    }
}

// Sends nothing of its own: the base sends the closing notice after the fields are gone.
R7_DESK::~R7_DESK() = default;

int R7_DESK::onRevertive(revertiveEvent& event) {
    const std::int32_t device = event.device();
    const std::int32_t destination = event.destination();
    const std::int32_t source = event.source();
    // The video router is looked at first and alone when both routers share a device number; only
    // the lowest button with the destination takes the source.
    per_button* dests = nullptr;
    per_button* tally = nullptr;
    if (device == fields.videoRouter) {
        dests = &fields.videoDest;
        tally = &fields.videoTally;
    } else if (device == fields.audioRouter) {
        dests = &fields.audioDest;
        tally = &fields.audioTally;
    } else {
        return 0;
    }
    for (int n = 1; n <= buttonCount; ++n) {
        if ((*dests)[n] == destination) {
            (*tally)[n] = source;
            break;
        }
    }
    return 0;
}

zeth_string R7_DESK::onQuery(queryEvent& query) {
    // The panel publishes no return values, events or commands: the list stays empty and renders
    // as the empty text, which notify hands to the host as null.
    const zeth_string name = query.name();
    const zeth_stringlist published(zeth_string(""), ',');
    if (name == "return") {
        if (query.value() == "all") {
            return published.toString('\n');
        }
        return zeth_string();
    }
    if (name == "_events" || name == "_commands") {
        return published.toString('\n');
    }
    return zeth_string();
}
