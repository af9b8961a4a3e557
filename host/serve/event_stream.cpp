#include "event_stream.h"

#include "serve_limits.h"

#include <nlohmann/json.hpp>

namespace {

bool wanted(const std::string& name, state_form form) {
    return form == state_form::whole ? name != "changes" : name != "state";
}

} // namespace

event_stream::event_stream() = default;

void event_stream::write(const transcript_entry& entry) {
    for (transcript_writer* watcher : watchers) {
        watcher->write(entry);
    }
    jsonText.str({});
    json.write(entry);
    std::string record = jsonText.str();
    if (!record.empty() && record.back() == '\n') {
        record.pop_back();
    }
    plainText.str({});
    text.write(entry);
    std::string lines = plainText.str();
    while (!lines.empty() && lines.back() == '\n') {
        lines.pop_back();
    }
    const nlohmann::json line = {{"kind", kindName(entry.kind)},
                                 {"id", entry.id},
                                 {"passed", entry.passed},
                                 {"text", lines}};
    add("record", std::move(record));
    add("line", line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

void event_stream::publish(const std::string& name, const std::string& data) {
    add(name, data);
}

void event_stream::watch(transcript_writer& watcher) {
    watchers.push_back(&watcher);
}

void event_stream::add(const std::string& name, std::string data) {
    {
        std::lock_guard<std::mutex> lock(guard);
        keptBytes += data.size();
        events.push_back({++serial, name, std::move(data)});
        while (events.size() > 1 &&
               (events.size() > serve_limits::keptEvents || keptBytes > serve_limits::keptBytes)) {
            keptBytes -= events.front().data.size();
            events.pop_front();
        }
    }
}

stream_chunk event_stream::chunkAfter(std::uint64_t from, state_form form, std::size_t maxBytes) {
    std::lock_guard<std::mutex> lock(guard);
    stream_chunk chunk;
    if (from > serial) {
        from = 0;
    }
    chunk.last = from;
    if (events.empty() || from >= serial) {
        return chunk;
    }
    const std::uint64_t oldest = events.front().serial;
    if (from + 1 < oldest) {
        chunk.behind = true;
        return chunk;
    }
    const std::size_t first = static_cast<std::size_t>(from + 1 - oldest);
    std::size_t end = first;
    std::size_t size = 0;
    while (end < events.size() && (end == first || size < maxBytes)) {
        size += events[end].data.size() + 40;
        ++end;
    }
    std::size_t lastState = end;
    for (std::size_t i = first; i < end; ++i) {
        lastState = events[i].name == "state" ? i : lastState;
    }
    for (std::size_t i = first; i < end; ++i) {
        const stream_event& each = events[i];
        if (!wanted(each.name, form) || (each.name == "state" && i != lastState)) {
            continue;
        }
        chunk.text += "id: " + std::to_string(each.serial) + "\nevent: " + each.name + "\ndata: ";
        chunk.text += each.data;
        chunk.text += "\n\n";
    }
    chunk.last = events[end - 1].serial;
    return chunk;
}

std::uint64_t event_stream::latest() {
    std::lock_guard<std::mutex> lock(guard);
    return serial;
}

std::uint64_t event_stream::oldest() {
    std::lock_guard<std::mutex> lock(guard);
    return events.empty() ? 1 : events.front().serial;
}

std::vector<std::string> event_stream::recordsAfter(std::uint64_t from) {
    std::lock_guard<std::mutex> lock(guard);
    std::vector<std::string> found;
    if (events.empty() || from >= serial) {
        return found;
    }
    const std::uint64_t oldest = events.front().serial;
    for (std::size_t i = from < oldest ? 0 : static_cast<std::size_t>(from + 1 - oldest);
         i < events.size(); ++i) {
        if (events[i].name == "record") {
            found.push_back(events[i].data);
        }
    }
    return found;
}

void event_stream::reading(state_form form, int change) {
    (form == state_form::whole ? wholeReaders : changeReaders) += change;
}

int event_stream::readers(state_form form) const {
    return form == state_form::whole ? wholeReaders.load() : changeReaders.load();
}
