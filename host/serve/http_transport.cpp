#include "http_transport.h"

#include "request_guard.h"
#include "serve_limits.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <future>
#include <memory>

namespace {

constexpr std::size_t bodyLimit = serve_limits::bodyBytes;

http_request fromLibrary(const httplib::Request& given) {
    http_request request;
    request.method = given.method;
    request.path = given.path;
    for (const auto& [name, value] : given.params) {
        request.query.emplace(name, value);
    }
    for (const auto& [name, value] : given.headers) {
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        request.headers.emplace(lower, value);
    }
    request.body = given.body;
    return request;
}

void write(httplib::Response& response, const http_answer& answer) {
    response.status = answer.status;
    for (const auto& [name, value] : answer.headers) {
        response.set_header(name.c_str(), value);
    }
    response.set_content(answer.body, answer.contentType.c_str());
}

} // namespace

http_transport::http_transport(http_endpoint& served, const route_table& table,
                               event_stream& events, action_queue& jobs)
    : endpoint(served), routes(table), stream(events), queue(jobs) {}

http_transport::~http_transport() {
    if (listener.joinable()) {
        stop();
    }
}

http_answer http_transport::onEmulatorThread(const route& chosen, const http_request& request) {
    auto promise = std::make_shared<std::promise<http_answer>>();
    std::future<http_answer> future = promise->get_future();
    const bool posted = queue.post(
        [promise, &chosen, request] { promise->set_value(route_table::answer(chosen, request)); });
    const http_answer closing =
        errorAnswer(503, "the desks are closing: zeth-host serve is stopping");
    if (!posted) {
        return closing;
    }
    if (future.wait_for(std::chrono::minutes(1)) != std::future_status::ready) {
        return errorAnswer(503, "the emulator did not answer within a minute: a panel keeps it "
                                "busy; see the transcript");
    }
    try {
        return future.get();
    } catch (const std::future_error&) {
        return closing;
    }
}

void http_transport::start() {
#if !defined(_WIN32)
    // cpp-httplib writes to sockets without MSG_NOSIGNAL: a page closed mid-answer would end
    // the process with SIGPIPE (and the supervisor would blame the plug-in). Ignored from now on,
    // for the whole process.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    httplib::Server& http = endpoint.server();
    http.set_payload_max_length(bodyLimit);
    // An idle page's connection must not hold up the closing of the desks for long.
    http.set_keep_alive_timeout(1);
    // Every connection holds one of the pool's threads while it is open, a stream for its whole
    // life: the pool has room for every stream allowed and for the requests beside them.
    http.new_task_queue = [] {
        return new httplib::ThreadPool(static_cast<std::size_t>(serve_limits::streams) + 56);
    };
    http.set_read_timeout(serve_limits::headerTime);
    http.set_write_timeout(serve_limits::writeTime);
    http.set_error_handler([](const httplib::Request& request, httplib::Response& response) {
        if (!response.body.empty()) {
            return;
        }
        std::string message = "the request failed with status " + std::to_string(response.status);
        if (response.status == 404) {
            message = "no such page: " + request.path;
        } else if (response.status == 413) {
            message = "the request body is over 64 KiB";
        }
        write(response, errorAnswer(response.status, message));
    });
    const auto serve = [this](const httplib::Request& given, httplib::Response& response) {
        const http_request request = fromLibrary(given);
        if (const auto refused = foreignRequest(request, endpoint.address())) {
            write(response, *refused);
            return;
        }
        http_answer refusal;
        const route* chosen = routes.find(request, refusal);
        if (chosen == nullptr) {
            write(response, refusal);
        } else if (chosen->thread == route_thread::any) {
            write(response, route_table::answer(*chosen, request));
        } else if (chosen->thread == route_thread::emulator) {
            write(response, onEmulatorThread(*chosen, request));
        } else if (++openStreams > serve_limits::streams) {
            --openStreams;
            write(response, errorAnswer(503, "refused: " + std::to_string(serve_limits::streams) +
                                                 " event streams are open already, the most "
                                                 "zeth-host serve keeps; close a page"));
        } else {
            std::uint64_t from = 0;
            const std::string last = request.header("last-event-id");
            if (!last.empty()) {
                from = std::strtoull(last.c_str(), nullptr, 10);
            }
            const state_form form =
                request.parameter("state") == "changes" ? state_form::changes : state_form::whole;
            stream.reading(form, +1);
            response.set_header("Cache-Control", "no-store");
            response.set_chunked_content_provider(
                "text/event-stream",
                [this, from, form](std::size_t, httplib::DataSink& sink) mutable {
                    stream_chunk chunk =
                        stream.chunkAfter(from, form, serve_limits::streamChunkBytes);
                    if (chunk.last == from) {
                        std::unique_lock<std::mutex> lock(guard);
                        published.wait_for(lock, std::chrono::seconds(1));
                        if (stopping) {
                            sink.done();
                            return true;
                        }
                        chunk = stream.chunkAfter(from, form, serve_limits::streamChunkBytes);
                    }
                    if (chunk.behind) {
                        return false;
                    }
                    from = chunk.last;
                    // A comment when nothing happened: a closed page is noticed by the failed
                    // write.
                    if (chunk.text.empty()) {
                        chunk.text = ": waiting\n\n";
                    }
                    return sink.write(chunk.text.data(), chunk.text.size());
                },
                [this, form](bool) {
                    --openStreams;
                    stream.reading(form, -1);
                });
        }
    };
    stream.onPublished([this] { published.notify_all(); });
    http.Get(R"(/.*)", serve);
    http.Post(R"(/.*)", serve);
    listener = std::thread([&http] { http.listen_after_bind(); });
    // stop() before the server runs would be lost, and the listener never ended.
    for (int waited = 0; waited < 500 && !http.is_running(); ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void http_transport::stop() {
    stream.onPublished({});
    {
        std::lock_guard<std::mutex> lock(guard);
        stopping = true;
    }
    published.notify_all();
    endpoint.server().stop();
    listener.join();
}
