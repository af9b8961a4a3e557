// serve_limits: what the clients of one served run may hold, and how long the server waits for
// them. Going past a limit gets an answer at once (503 with a one-line reason, 413, 431) or the
// connection closed; never a stall, never growth without bound. The load test (tests/load/)
// shows that each holds.
#pragma once

#include <chrono>
#include <cstddef>

namespace serve_limits {

// Event streams open at once; the next one is answered 503.
constexpr int streams = 200;
// Connections open at once, streams included; the next one is answered 503 and closed.
constexpr int connections = 500;
// A request's headers must have arrived this long after the connection opened or, on a
// kept-alive connection, after the request's first byte, in total: a client that trickles them
// is closed.
constexpr std::chrono::seconds headerTime{5};
// A request's body must have arrived this long after its headers.
constexpr std::chrono::seconds bodyTime{10};
// A kept-alive connection waits this long for its next request.
constexpr std::chrono::seconds idleTime{15};
// An answer, or one write of a stream, must be taken up by the client within this.
constexpr std::chrono::seconds writeTime{10};
// A stream's comment line when nothing happened, so that a dead peer is found out.
constexpr std::chrono::seconds streamHeartbeat{15};
// A request body over this is 413.
constexpr std::size_t bodyBytes = 64 * 1024;
// A request's headers over this are 431.
constexpr std::size_t headerBytes = 16 * 1024;
// The most of the stream one write of it carries.
constexpr std::size_t streamChunkBytes = 256 * 1024;
// The event stream keeps at most this many events and bytes for readers to catch up from; a
// reader that falls further behind is dropped (its page reconnects and fetches the state).
constexpr std::size_t keptEvents = 20000;
constexpr std::size_t keptBytes = 32 * 1024 * 1024;

} // namespace serve_limits
