// reload_routes: what the page learns of the plug-in's builds and their reloads.
//
//   GET /api/reload   the latest reload's report (reload_report.h), or {"reload": 0} before the
//                     first one
//   the state document's "build": {"watching": true | false, "plugin": the file watched,
//                     "number": 3 (the build serving), "modified": its file time, "reloads": 2}
//   the event "reload": the report without its transcripts, when a reload has been told
//
// Threads: the routes and the state field run on the emulator's thread; publishReload() too.
// The reload (null when serve does not watch) must outlive the routes.
#pragma once

#include "desk_routes.h"
#include "event_stream.h"
#include "hot_reload.h"
#include "route_table.h"

#include <string>

void addReloadRoutes(route_table& table, desk_routes& routes, const std::string& pluginFile,
                     const hot_reload* reload);

// The "reload" event for the page.
void publishReload(event_stream& stream, const reload_report& report);
