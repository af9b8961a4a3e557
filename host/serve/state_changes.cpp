#include "state_changes.h"

#include "state_document.h"

state_changes::state_changes(std::function<const emulator&()> host)
    : emulatorNow(std::move(host)) {}

void state_changes::write(const transcript_entry& entry) {
    if (entry.deskNumber > 0 &&
        (entry.kind == entry_kind::action || entry.kind == entry_kind::command)) {
        touched.insert(entry.deskNumber);
    }
}

std::optional<nlohmann::json> state_changes::take(const nlohmann::json& fields) {
    const emulator& host = emulatorNow();
    const auto count = static_cast<std::size_t>(host.desks());
    if (desks.size() != count) {
        desks.resize(count);
        all = true;
    }
    nlohmann::json changedDesks = nlohmann::json::array();
    const auto lookAt = [&](int number) {
        nlohmann::json now = deskDocument(host, number);
        nlohmann::json& before = desks[static_cast<std::size_t>(number - 1)];
        if (now != before) {
            changedDesks.push_back(now);
            before = std::move(now);
        }
    };
    if (all) {
        for (int number = 1; number <= host.desks(); ++number) {
            lookAt(number);
        }
    } else {
        for (const int number : touched) {
            if (number <= host.desks()) {
                lookAt(number);
            }
        }
    }
    all = false;
    touched.clear();

    nlohmann::json changedRouters = nlohmann::json::array();
    std::map<std::int32_t, nlohmann::json> routersNow;
    for (nlohmann::json& router : routerDocuments(host)) {
        const auto device = router["device"].get<std::int32_t>();
        const auto before = routers.find(device);
        if (before == routers.end() || before->second != router) {
            changedRouters.push_back(router);
        }
        routersNow.emplace(device, std::move(router));
    }
    for (const auto& [device, router] : routers) {
        if (routersNow.count(device) == 0) {
            nlohmann::json gone = router;
            gone["destinations"] = nlohmann::json::array();
            changedRouters.push_back(gone);
        }
    }
    routers = std::move(routersNow);

    if (changedDesks.empty() && changedRouters.empty() && fields == fieldsTaken) {
        return std::nullopt;
    }
    fieldsTaken = fields;
    nlohmann::json change = fields;
    change["since"] = current;
    change["version"] = ++current;
    change["desks"] = std::move(changedDesks);
    change["routers"] = std::move(changedRouters);
    return change;
}
