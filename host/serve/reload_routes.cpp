#include "reload_routes.h"

namespace {

using json = nlohmann::json;

} // namespace

void addReloadRoutes(route_table& table, desk_routes& routes, const std::string& pluginFile,
                     const hot_reload* reload) {
    table.add("GET", "/api/reload", route_thread::emulator, [reload](const http_request&) {
        const std::optional<reload_report> latest = reload ? reload->latest() : std::nullopt;
        return jsonAnswer(200, latest ? reportDocument(*latest) : json{{"reload", 0}});
    });
    routes.addStateField("build", [pluginFile, reload] {
        json build{{"watching", reload != nullptr}, {"plugin", pluginFile}};
        if (const std::optional<plugin_build> serving = reload ? reload->serving() : std::nullopt) {
            build["number"] = serving->number;
            build["modified"] = serving->modified;
        }
        const std::optional<reload_report> latest = reload ? reload->latest() : std::nullopt;
        build["reloads"] = latest ? latest->reload : 0;
        return build;
    });
}

void publishReload(event_stream& stream, const reload_report& report) {
    json brief = reportDocument(report);
    brief.erase("previous");
    brief.erase("replay");
    stream.publish("reload", brief.dump(-1, ' ', false, json::error_handler_t::replace));
}
