#include "router_bank.h"

#include <algorithm>

router_bank::router_bank(const facility& plant) {
    for (const facility_router& router : plant.routers) {
        router_state state;
        state.device = router.device;
        state.sources = router.sources;
        state.destinations = router.destinations;
        state.crosspoints = router.crosspoints;
        bank[router.device] = std::move(state);
    }
}

bool router_bank::isRouter(std::int32_t device) const {
    return bank.count(device) != 0;
}

std::optional<std::int32_t> router_bank::source(std::int32_t device,
                                                std::int32_t destination) const {
    const auto router = bank.find(device);
    if (router == bank.end() || destination < 1 || destination > router->second.destinations) {
        return std::nullopt;
    }
    const auto crosspoint = router->second.crosspoints.find(destination);
    return crosspoint == router->second.crosspoints.end() ? 0 : crosspoint->second;
}

std::string router_bank::refusal(std::int32_t device, std::int32_t source,
                                 std::int32_t destination) const {
    const auto router = bank.find(device);
    if (router == bank.end()) {
        return "device " + std::to_string(device) + " is no router";
    }
    const router_state& state = router->second;
    if (destination < 1 || destination > state.destinations) {
        return "destination " + std::to_string(destination) + " is not on the router (1 to " +
               std::to_string(state.destinations) + ")";
    }
    if (source < 1 || source > state.sources) {
        return "source " + std::to_string(source) + " is not on the router (1 to " +
               std::to_string(state.sources) + ")";
    }
    return {};
}

std::int32_t router_bank::route(std::int32_t device, std::int32_t source,
                                std::int32_t destination) {
    std::int32_t& routed = bank.at(device).crosspoints[destination];
    const std::int32_t before = routed;
    routed = source;
    return before;
}

std::size_t router_bank::registerDesk(int deskNumber, std::int32_t device, std::int32_t first,
                                      std::int32_t last, bool add) {
    const auto router = bank.find(device);
    if (router == bank.end()) {
        return 0;
    }
    std::set<std::int32_t>& heard = router->second.listeners[deskNumber];
    if (!add) {
        heard.clear();
    }
    const std::int64_t low = std::max<std::int64_t>(first, 1);
    const std::int64_t high = std::min<std::int64_t>(last, router->second.destinations);
    for (std::int64_t destination = low; destination <= high; ++destination) {
        heard.insert(static_cast<std::int32_t>(destination));
    }
    return heard.size();
}

std::vector<int> router_bank::listeners(std::int32_t device, std::int32_t destination) const {
    std::vector<int> desks;
    const auto router = bank.find(device);
    if (router == bank.end()) {
        return desks;
    }
    for (const auto& [deskNumber, heard] : router->second.listeners) {
        if (heard.count(destination) != 0) {
            desks.push_back(deskNumber);
        }
    }
    return desks;
}

std::map<std::int32_t, std::set<std::int32_t>> router_bank::heardDestinations() const {
    std::map<std::int32_t, std::set<std::int32_t>> heard;
    for (const auto& [device, router] : bank) {
        for (const auto& [deskNumber, destinations] : router.listeners) {
            heard[device].insert(destinations.begin(), destinations.end());
        }
    }
    return heard;
}

void router_bank::forgetDesk(int deskNumber) {
    for (auto& [device, router] : bank) {
        router.listeners.erase(deskNumber);
    }
}
