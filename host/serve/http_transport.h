// http_transport: carries HTTP between the browsers and the route table, on the bound endpoint.
//
// One I/O thread serves every connection, event streams and slow clients included, without ever
// waiting on one: a connection holds a socket and a buffer, not a thread. Every request is
// checked by the request guard, looked up in the route table and run where its route says: on the
// emulator's thread through the action_queue (the answer is written when the emulator's thread
// hands it back; the I/O thread goes on meanwhile), or at once on the I/O thread. The event
// stream's route is served from the event_stream as server-sent events, each stream written as
// far as its reader takes it up.
//
// What a client may hold is bounded (serve_limits.h): connections and streams (past either, 503
// with a one-line reason at once); the headers must have arrived within headerTime in total,
// counted from the connection's opening or, on a kept-alive connection, from the request's first
// byte (a client that trickles them is closed), a body within bodyTime; a stream whose reader
// takes up nothing for writeTime, or falls so far behind that the events it has not read are no
// longer kept, is dropped (its page reconnects and resumes from its last event id, or fetches the
// state when those are gone).
//
// Threads: start() and stop() from the thread that runs the server (the emulator's, which also
// publishes to the event_stream); the I/O thread calls the route table, the request guard and the
// event_stream, never the emulator. The endpoint, the table, the stream and the queue must
// outlive the transport; the queue must be closed before stop(), so that no job is left to hand
// back an answer.
#pragma once

#include "action_queue.h"
#include "event_stream.h"
#include "http_endpoint.h"
#include "route_table.h"

#include <memory>

class http_transport {
public:
    http_transport(http_endpoint& endpoint, const route_table& routes, event_stream& stream,
                   action_queue& queue);
    http_transport(const http_transport&) = delete;
    http_transport& operator=(const http_transport&) = delete;
    ~http_transport();

    // Accepts on the endpoint from the I/O thread, which it starts. Throws serve_error when the
    // endpoint's socket cannot be used.
    void start();
    // Events were published: the streams write them. Called by the emulator's thread after each
    // round of its work rather than for each event, so that the I/O thread wakes once for them.
    void published();
    // Stops accepting, closes every connection (the endpoint's socket stays open, and the
    // endpoint's) and returns when the I/O thread has ended.
    void stop();

    // Everything the I/O thread works on; only http_transport.cpp knows it.
    struct core;

private:
    http_endpoint& endpoint;
    const route_table& routes;
    event_stream& stream;
    action_queue& queue;
    std::shared_ptr<core> running;
};
