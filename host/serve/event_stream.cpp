#include "event_stream.h"

#include <nlohmann/json.hpp>

event_stream::event_stream(std::size_t kept) : limit(kept) {}

void event_stream::write(const transcript_entry& entry) {
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
    const nlohmann::json line = {{"kind", nlohmann::json::parse(record)["kind"]},
                                 {"id", entry.id},
                                 {"passed", entry.passed},
                                 {"text", lines}};
    add("record", std::move(record));
    add("line", line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

void event_stream::publish(const std::string& name, const std::string& data) {
    add(name, data);
}

void event_stream::add(const std::string& name, std::string data) {
    {
        std::lock_guard<std::mutex> lock(guard);
        events.push_back({++serial, name, std::move(data)});
        while (events.size() > limit) {
            events.pop_front();
        }
    }
    published.notify_all();
}

std::vector<stream_event> event_stream::after(std::uint64_t from, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(guard);
    if (from > serial) {
        from = 0; // numbered by an earlier process of the same desks: everything here is new
    }
    published.wait_for(lock, wait, [&] { return closed || serial > from; });
    std::vector<stream_event> found;
    if (closed) {
        return found;
    }
    for (const stream_event& each : events) {
        if (each.serial > from) {
            found.push_back(each);
        }
    }
    return found;
}

std::uint64_t event_stream::latest() {
    std::lock_guard<std::mutex> lock(guard);
    return serial;
}

std::vector<std::string> event_stream::recordsAfter(std::uint64_t from) {
    std::lock_guard<std::mutex> lock(guard);
    std::vector<std::string> found;
    for (const stream_event& each : events) {
        if (each.serial > from && each.name == "record") {
            found.push_back(each.data);
        }
    }
    return found;
}

void event_stream::close() {
    {
        std::lock_guard<std::mutex> lock(guard);
        closed = true;
    }
    published.notify_all();
}

bool event_stream::isClosed() {
    std::lock_guard<std::mutex> lock(guard);
    return closed;
}
