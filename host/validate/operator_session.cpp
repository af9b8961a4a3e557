#include "operator_session.h"

#include "scenario_parser.h"

#include <vector>

namespace {

// Queries every panel can be asked, beside the names of its controls.
const char* const commonQueries[] = {"return=all", "", "index", "return=index"};

} // namespace

std::string operator_session::nextLine(const emulator& host) {
    const desk* shown = host.deskNumbered(1);
    std::vector<const layout_control*> buttons;
    std::vector<const layout_control*> lists;
    std::vector<const layout_control*> labels; // asked in queries, never clicked
    if (shown != nullptr && !shown->closed()) {
        for (const auto& [id, panel] : shown->panels()) {
            for (const layout_control& control : panel.controls) {
                if (control.kind == control_kind::label) {
                    labels.push_back(&control);
                } else if (control.enabled) {
                    (control.kind == control_kind::list ? lists : buttons).push_back(&control);
                }
            }
        }
    }
    const std::vector<facility_router>& routers = host.plant().routers;
    if (buttons.empty() && lists.empty() && routers.empty()) {
        return {};
    }
    // Clicks and picks are the operator's everyday work; the rest comes now and then.
    while (true) {
        const std::uint64_t roll = below(100);
        if (roll < 40 && !buttons.empty()) {
            return "click " + quotedWord(buttons[below(buttons.size())]->name);
        }
        if (roll < 60 && !lists.empty()) {
            const layout_control& list = *lists[below(lists.size())];
            const facility_device* device = host.plant().deviceNamed(list.itemsDevice);
            const facility_database* items =
                device != nullptr ? host.plant().database(device->number, list.itemsDatabase)
                                  : nullptr;
            std::int64_t index = static_cast<std::int64_t>(below(10));
            if (items != nullptr && !items->entries.empty() && below(8) != 0) {
                auto entry = items->entries.begin();
                std::advance(entry, static_cast<std::ptrdiff_t>(below(items->entries.size())));
                index = entry->first;
            }
            return "select " + std::to_string(index) + " in " + quotedWord(list.name);
        }
        if (roll < 75) {
            return "wait " + std::to_string(1 + below(1500)) + "ms";
        }
        if (roll < 90 && !routers.empty()) {
            const facility_router& router = routers[below(routers.size())];
            const auto pick = [this](std::int32_t count) {
                return std::to_string(1 + below(static_cast<std::uint64_t>(count > 0 ? count : 1)));
            };
            return "revertive " + std::to_string(router.device) + " " + pick(router.destinations) +
                   " " + pick(router.sources);
        }
        if (roll >= 90) {
            const std::size_t common = sizeof commonQueries / sizeof commonQueries[0];
            std::vector<const layout_control*> asked = buttons;
            asked.insert(asked.end(), lists.begin(), lists.end());
            asked.insert(asked.end(), labels.begin(), labels.end());
            const std::size_t choice = below(common + asked.size());
            const std::string text =
                choice < common ? commonQueries[choice] : asked[choice - common]->name;
            return "query " + quotedWord(text);
        }
    }
}
