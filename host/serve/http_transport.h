// http_transport: carries HTTP between the browser and the route table on the bound endpoint.
//
// Every request is checked by the request guard, looked up in the route table and run where its
// route says: on the emulator's thread through the action_queue (the transport waits for the
// answer without holding the emulator), or on the transport's own thread. The event stream's
// route is served from the event_stream as server-sent events.
//
// Threads: start() and stop() from the thread that runs the server (the emulator's); the
// transport's own threads call the route table and the event_stream, never the emulator. The
// endpoint, the table, the stream and the queue must outlive the transport.
#pragma once

#include "action_queue.h"
#include "event_stream.h"
#include "http_endpoint.h"
#include "route_table.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class http_transport {
public:
    http_transport(http_endpoint& endpoint, const route_table& routes, event_stream& stream,
                   action_queue& queue);
    http_transport(const http_transport&) = delete;
    http_transport& operator=(const http_transport&) = delete;
    ~http_transport();

    // Serves on the endpoint from threads of its own; returns once it accepts connections.
    void start();
    // Stops accepting, ends every connection and returns when no thread of its own runs.
    void stop();

private:
    http_answer onEmulatorThread(const route& chosen, const http_request& request);

    http_endpoint& endpoint;
    const route_table& routes;
    event_stream& stream;
    action_queue& queue;
    std::thread listener;
    std::atomic<int> openStreams{0};
    std::mutex guard;
    std::condition_variable published;
    bool stopping = false;
};
