// router_bank: the facility's routers as they stand now, and who listens to them.
//
// Each router keeps one source per destination (0: nothing routed), starting from the facility's
// crosspoints. Desks register for the revertives of destination ranges with "RR"; the plain form
// replaces the desk's registrations on that router, the adding form ("ADD") adds to them.
// Registrations on other routers are kept: a desk registers on its video router and then on its
// audio router, each starting with a plain "RR". A desk registered twice for one destination
// still hears it once.
//
// The bank only keeps state; making and delivering revertives is the event loop's.
#pragma once

#include "facility.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct router_state {
    std::int32_t device = 0;
    std::int32_t sources = 0;
    std::int32_t destinations = 0;
    std::map<std::int32_t, std::int32_t> crosspoints; // destination -> source; absent: 0
    std::map<int, std::set<std::int32_t>> listeners;  // desk -> registered destinations
};

class router_bank {
public:
    explicit router_bank(const facility& plant);

    bool isRouter(std::int32_t device) const;
    // The source routed to destination, or nothing when device is no router or the destination
    // is not on it.
    std::optional<std::int32_t> source(std::int32_t device, std::int32_t destination) const;

    // Why a crosspoint cannot be made, or the empty text when it can.
    std::string refusal(std::int32_t device, std::int32_t source, std::int32_t destination) const;
    // Routes source to destination; returns the source routed there before. The crosspoint must
    // be possible (refusal() empty).
    std::int32_t route(std::int32_t device, std::int32_t source, std::int32_t destination);

    // Registers desk for destinations first to last of device, replacing the desk's earlier
    // registrations on that device unless add. Destinations outside the router are skipped.
    // Returns how many destinations the desk now hears on that device.
    std::size_t registerDesk(int deskNumber, std::int32_t device, std::int32_t first,
                             std::int32_t last, bool add);
    // The desks registered for destination of device, in desk order.
    std::vector<int> listeners(std::int32_t device, std::int32_t destination) const;
    // Every destination that some desk listens to, per router, in device order.
    std::map<std::int32_t, std::set<std::int32_t>> heardDestinations() const;
    // Drops every registration of desk (the desk closed).
    void forgetDesk(int deskNumber);

    const std::map<std::int32_t, router_state>& routers() const { return bank; }

private:
    std::map<std::int32_t, router_state> bank;
};
