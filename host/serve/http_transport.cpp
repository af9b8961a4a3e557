#include "http_transport.h"

#include "request_guard.h"
#include "serve_limits.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http.hpp>

#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <future>
#include <optional>
#include <set>
#include <thread>
#include <vector>

namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using error_code = boost::system::error_code;

constexpr std::chrono::seconds emulatorTime{60};
// After a closing answer, what the client still sends is read and thrown away for this long, so
// that it reads the answer instead of a reset connection.
constexpr std::chrono::seconds lingerTime{2};

std::string lowerCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string hexadecimal(std::size_t value) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[value % 16]);
        value /= 16;
    } while (value != 0);
    return text;
}

std::uint64_t serialIn(const std::string& text) {
    return text.empty() ? 0 : std::strtoull(text.c_str(), nullptr, 10);
}

class connection;

} // namespace

// Everything the I/O thread works on. Only the I/O thread touches it after start(), but for the
// flag that coalesces the emulator thread's news of published events.
struct http_transport::core : std::enable_shared_from_this<http_transport::core> {
    core(const http_endpoint& served, const route_table& table, event_stream& events,
         action_queue& jobs)
        : endpoint(served), routes(table), stream(events), queue(jobs) {}

    void accept();
    void acceptLater();
    void beat();
    void pumpStreams();
    // Stops accepting and closes every connection; the I/O thread then runs out of work.
    void shutdown();
    std::vector<std::shared_ptr<connection>> snapshot() const { return {open.begin(), open.end()}; }

    const http_endpoint& endpoint;
    const route_table& routes;
    event_stream& stream;
    action_queue& queue;
    net::io_context context{1};
    net::executor_work_guard<net::io_context::executor_type> work = net::make_work_guard(context);
    tcp::acceptor acceptor{context};
    net::steady_timer heartbeat{context};
    net::steady_timer retry{context};
    std::thread thread;
    std::set<std::shared_ptr<connection>> open;
    int streams = 0;
    std::atomic<bool> pumpPosted{false};
};

namespace {

using core = http_transport::core;

// One client's connection: requests one after another on it (kept alive), or one event stream.
class connection : public std::enable_shared_from_this<connection> {
public:
    connection(std::shared_ptr<core> owner, tcp::socket accepted)
        : home(std::move(owner)), socket(std::move(accepted)), waiting(home->context) {}

    void start() { readHeader(); }
    // Answers at once and closes: the server holds too many connections.
    void refuse(const http_answer& answer) { write(answer, false); }
    // A stream: writes what was published since the last write, when the last has gone.
    void pump();
    // A stream that wrote nothing for a heartbeat: a comment, so that a dead peer is found out.
    void beat();
    void close();
    bool streaming() const { return isStream; }

private:
    void waitForRequest();
    void readHeader();
    void onHeader(error_code failed);
    void onBody(error_code failed);
    void onRequest();
    void dispatch(const http_request& request);
    void answered(std::uint64_t exchange, http_answer answer);
    void write(const http_answer& answer, bool keepAlive);
    void linger();
    void beginStream(const http_request& request);
    void writeStream(std::string text);

    std::shared_ptr<core> home;
    beast::tcp_stream socket;
    beast::flat_buffer buffer;
    std::optional<http::request_parser<http::string_body>> parser;
    http::response<http::string_body> response;
    net::steady_timer waiting; // the emulator's answer, within emulatorTime
    std::uint64_t exchanges = 0;
    bool awaiting = false; // an answer from the emulator's thread is due
    bool keepAlive = true;
    bool closed = false;
    // A stream's state.
    bool isStream = false;
    bool writing = false;
    bool wroteEvents = false;
    std::string head;    // the stream's status line and headers, written with its first chunk
    std::string pending; // the chunk being written
    std::uint64_t cursor = 0;
    state_form form = state_form::whole;
    std::chrono::steady_clock::time_point lastWrite = std::chrono::steady_clock::now();
    std::array<char, 512> discard{};
};

void connection::waitForRequest() {
    if (buffer.size() > 0) {
        readHeader(); // the next request is here already
        return;
    }
    socket.expires_after(serve_limits::idleTime);
    socket.async_read_some(buffer.prepare(4096),
                           [self = shared_from_this()](error_code failed, std::size_t got) {
                               if (failed) {
                                   self->close();
                                   return;
                               }
                               self->buffer.commit(got);
                               self->readHeader();
                           });
}

void connection::readHeader() {
    parser.emplace();
    parser->header_limit(static_cast<std::uint32_t>(serve_limits::headerBytes));
    parser->body_limit(serve_limits::bodyBytes);
    // In total, from here: a client that sends a byte now and then gets no more time for it.
    socket.expires_after(serve_limits::headerTime);
    http::async_read_header(
        socket, buffer, *parser,
        [self = shared_from_this()](error_code failed, std::size_t) { self->onHeader(failed); });
}

void connection::onHeader(error_code failed) {
    if (failed == http::error::header_limit) {
        write(errorAnswer(431, "the request's headers are over " +
                                   std::to_string(serve_limits::headerBytes / 1024) + " KiB"),
              false);
        return;
    }
    if (failed == http::error::body_limit) { // told by the Content-Length, before any body
        write(errorAnswer(413, "the request body is over 64 KiB"), false);
        return;
    }
    if (failed == http::error::end_of_stream || failed == http::error::partial_message ||
        failed == beast::error::timeout || failed == net::error::operation_aborted ||
        failed == net::error::eof || failed == net::error::connection_reset) {
        close();
        return;
    }
    if (failed) {
        write(errorAnswer(400, "the request is not HTTP/1.1 as this server reads it (" +
                                   failed.message() + ")"),
              false);
        return;
    }
    if (parser->is_done()) {
        onRequest();
        return;
    }
    const auto expect = parser->get().find(http::field::expect);
    if (expect != parser->get().end() &&
        lowerCase(std::string(expect->value())) == "100-continue") {
        // The client waits for leave to send its body.
        static const std::string goOn = "HTTP/1.1 100 Continue\r\n\r\n";
        socket.expires_after(serve_limits::writeTime);
        net::async_write(socket, net::buffer(goOn),
                         [self = shared_from_this()](error_code writeFailed, std::size_t) {
                             if (writeFailed) {
                                 self->close();
                                 return;
                             }
                             self->socket.expires_after(serve_limits::bodyTime);
                             http::async_read(self->socket, self->buffer, *self->parser,
                                              [self](error_code bodyFailed, std::size_t) {
                                                  self->onBody(bodyFailed);
                                              });
                         });
        return;
    }
    socket.expires_after(serve_limits::bodyTime);
    http::async_read(socket, buffer, *parser,
                     [self = shared_from_this()](error_code bodyFailed, std::size_t) {
                         self->onBody(bodyFailed);
                     });
}

void connection::onBody(error_code failed) {
    if (failed == http::error::body_limit) {
        write(errorAnswer(413, "the request body is over 64 KiB"), false);
    } else if (failed) {
        close();
    } else {
        onRequest();
    }
}

void connection::onRequest() {
    http::request<http::string_body>& message = parser->get();
    http_request request;
    request.method = std::string(message.method_string());
    if (!splitTarget(std::string(message.target()), request.path, request.query)) {
        write(errorAnswer(400, "the request's target is not a path with a query this server "
                               "reads: " +
                                   std::string(message.target())),
              false);
        return;
    }
    for (const auto& field : message) {
        request.headers[lowerCase(std::string(field.name_string()))] = std::string(field.value());
    }
    request.body = std::move(message.body());
    keepAlive = message.keep_alive();
    parser.reset();
    dispatch(request);
}

void connection::dispatch(const http_request& request) {
    if (const std::optional<http_answer> refused =
            foreignRequest(request, home->endpoint.address())) {
        write(*refused, keepAlive);
        return;
    }
    http_answer refusal;
    const route* chosen = home->routes.find(request, refusal);
    if (chosen == nullptr) {
        write(refusal, keepAlive);
        return;
    }
    if (chosen->thread == route_thread::any) {
        write(route_table::answer(*chosen, request), keepAlive);
        return;
    }
    if (chosen->thread == route_thread::stream) {
        beginStream(request);
        return;
    }
    // The emulator's thread answers; its answer comes back here as a job for the I/O thread.
    const std::uint64_t exchange = ++exchanges;
    awaiting = true;
    const std::weak_ptr<connection> self = shared_from_this();
    const bool posted = home->queue.post([self, owner = home, chosen, request, exchange] {
        http_answer answer = route_table::answer(*chosen, request);
        net::post(owner->context, [self, exchange, answer = std::move(answer)]() mutable {
            if (const std::shared_ptr<connection> alive = self.lock()) {
                alive->answered(exchange, std::move(answer));
            }
        });
    });
    if (!posted) {
        answered(exchange, errorAnswer(503, "the desks are closing: zeth-host serve is stopping"));
        return;
    }
    waiting.expires_after(emulatorTime);
    waiting.async_wait([self, exchange](error_code cancelled) {
        const std::shared_ptr<connection> alive = self.lock();
        if (!cancelled && alive) {
            alive->answered(exchange,
                            errorAnswer(503, "the emulator did not answer within a minute: a "
                                             "panel keeps it busy; see the transcript"));
        }
    });
}

void connection::answered(std::uint64_t exchange, http_answer answer) {
    if (closed || !awaiting || exchange != exchanges) {
        return; // the request was answered already (the minute ran out), or the client went
    }
    awaiting = false;
    waiting.cancel();
    write(answer, keepAlive);
}

void connection::write(const http_answer& answer, bool keep) {
    response = {};
    response.version(11);
    response.result(static_cast<unsigned>(answer.status));
    response.set(http::field::content_type, answer.contentType);
    for (const auto& [name, value] : answer.headers) {
        response.set(name, value);
    }
    response.body() = answer.body;
    response.keep_alive(keep);
    response.prepare_payload();
    socket.expires_after(serve_limits::writeTime);
    http::async_write(socket, response,
                      [self = shared_from_this(), keep](error_code failed, std::size_t) {
                          if (failed) {
                              self->close();
                          } else if (keep) {
                              self->waitForRequest();
                          } else {
                              self->linger();
                          }
                      });
}

void connection::linger() {
    error_code ignored;
    socket.socket().shutdown(tcp::socket::shutdown_send, ignored);
    socket.expires_after(lingerTime);
    socket.async_read_some(
        net::buffer(discard), [self = shared_from_this()](error_code failed, std::size_t) {
            if (failed) {
                self->close();
            } else {
                self->socket.async_read_some(net::buffer(self->discard),
                                             [self](error_code, std::size_t) { self->close(); });
            }
        });
}

void connection::beginStream(const http_request& request) {
    if (home->streams >= serve_limits::streams) {
        write(errorAnswer(503, "refused: " + std::to_string(serve_limits::streams) +
                                   " event streams are open already, the most zeth-host serve "
                                   "keeps: close a page or a script's stream"),
              false);
        return;
    }
    ++home->streams;
    isStream = true;
    form = request.parameter("state") == "changes" ? state_form::changes : state_form::whole;
    home->stream.reading(form, +1);
    cursor = request.hasHeader("last-event-id") ? serialIn(request.header("last-event-id"))
                                                : serialIn(request.parameter("after"));
    head = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n"
           "X-Content-Type-Options: nosniff\r\nTransfer-Encoding: chunked\r\n\r\n";
    // The reader sends nothing more: a read that ends is the reader gone.
    socket.expires_never();
    socket.async_read_some(net::buffer(discard),
                           [self = shared_from_this()](error_code, std::size_t) { self->close(); });
    writeStream("retry: 2000\n\n");
}

void connection::pump() {
    if (!isStream || closed || writing) {
        return;
    }
    for (;;) {
        stream_chunk chunk = home->stream.chunkAfter(cursor, form, serve_limits::streamChunkBytes);
        if (chunk.behind && wroteEvents) {
            close(); // it fell behind what the stream keeps: dropped, its page reconnects
            return;
        }
        if (chunk.behind) {
            // A reader that comes back too late: it hears that it missed events (the page
            // fetches the state), then goes on from the oldest kept.
            chunk = home->stream.chunkAfter(home->stream.oldest() - 1, form,
                                            serve_limits::streamChunkBytes);
            chunk.text = "event: missed\ndata: {}\n\n" + chunk.text;
        }
        if (chunk.last == cursor && chunk.text.empty()) {
            return; // nothing new
        }
        cursor = chunk.last;
        if (!chunk.text.empty()) {
            wroteEvents = true;
            writeStream(std::move(chunk.text));
            return;
        }
        // Everything in this piece was for readers of the other form: on to the next.
    }
}

void connection::beat() {
    if (isStream && !closed && !writing &&
        std::chrono::steady_clock::now() - lastWrite >= serve_limits::streamHeartbeat) {
        writeStream(": waiting\n\n");
    }
}

void connection::writeStream(std::string text) {
    pending = head + hexadecimal(text.size()) + "\r\n" + text + "\r\n";
    head.clear();
    writing = true;
    socket.expires_after(serve_limits::writeTime);
    net::async_write(socket, net::buffer(pending),
                     [self = shared_from_this()](error_code failed, std::size_t) {
                         self->writing = false;
                         if (failed) {
                             self->close(); // taken up by nobody for writeTime: dropped
                             return;
                         }
                         self->lastWrite = std::chrono::steady_clock::now();
                         self->pump();
                     });
}

void connection::close() {
    if (closed) {
        return;
    }
    closed = true;
    if (isStream) {
        --home->streams;
        home->stream.reading(form, -1);
    }
    waiting.cancel();
    error_code ignored;
    socket.socket().shutdown(tcp::socket::shutdown_both, ignored);
    socket.close();
    home->open.erase(shared_from_this());
}

} // namespace

void http_transport::core::accept() {
    acceptor.async_accept([self = shared_from_this()](error_code failed, tcp::socket accepted) {
        if (!self->acceptor.is_open() || failed == net::error::operation_aborted) {
            return;
        }
        if (failed) {
            self->acceptLater(); // out of descriptors, say: not a loop that spins
            return;
        }
        self->accept();
        error_code ignored;
        accepted.set_option(tcp::no_delay(true), ignored);
        const auto made = std::make_shared<connection>(self, std::move(accepted));
        self->open.insert(made);
        if (static_cast<int>(self->open.size()) > serve_limits::connections) {
            made->refuse(errorAnswer(503, "refused: " + std::to_string(serve_limits::connections) +
                                              " connections are open already, the most "
                                              "zeth-host serve keeps: close some"));
        } else {
            made->start();
        }
    });
}

void http_transport::core::acceptLater() {
    retry.expires_after(std::chrono::milliseconds(100));
    retry.async_wait([self = shared_from_this()](error_code cancelled) {
        if (!cancelled) {
            self->accept();
        }
    });
}

void http_transport::core::beat() {
    heartbeat.expires_after(std::chrono::seconds(1));
    heartbeat.async_wait([self = shared_from_this()](error_code cancelled) {
        if (cancelled) {
            return;
        }
        for (const std::shared_ptr<connection>& each : self->snapshot()) {
            each->beat();
        }
        self->beat();
    });
}

void http_transport::core::pumpStreams() {
    pumpPosted = false;
    for (const std::shared_ptr<connection>& each : snapshot()) {
        if (each->streaming()) {
            each->pump();
        }
    }
}

void http_transport::core::shutdown() {
    error_code ignored;
    acceptor.cancel(ignored);
    acceptor.release(ignored); // the socket stays the endpoint's
    heartbeat.cancel();
    retry.cancel();
    for (const std::shared_ptr<connection>& each : snapshot()) {
        each->close();
    }
    work.reset();
}

http_transport::http_transport(http_endpoint& served, const route_table& table,
                               event_stream& events, action_queue& jobs)
    : endpoint(served), routes(table), stream(events), queue(jobs) {}

http_transport::~http_transport() {
    stop();
}

void http_transport::start() {
    running = std::make_shared<core>(endpoint, routes, stream, queue);
    error_code failed;
    running->acceptor.assign(endpoint.ipv6() ? tcp::v6() : tcp::v4(),
                             static_cast<tcp::acceptor::native_handle_type>(endpoint.socket()),
                             failed);
    if (failed) {
        running.reset();
        throw serve_error("cannot accept on " + endpoint.url() + ": " + failed.message());
    }
    running->accept();
    running->beat();
    running->thread = std::thread([owner = running.get()] {
        // A handler that throws (out of memory) must not end the process, which the supervisor
        // would blame on the plug-in: the connection it served is lost, the others go on.
        for (;;) {
            try {
                owner->context.run();
                return;
            } catch (...) {
            }
        }
    });
}

void http_transport::published() {
    if (running && !running->pumpPosted.exchange(true)) {
        net::post(running->context, [owner = running] { owner->pumpStreams(); });
    }
}

void http_transport::stop() {
    if (!running) {
        return;
    }
    net::post(running->context, [owner = running] { owner->shutdown(); });
    running->thread.join(); // run() returns once every connection's handlers have ended
    running.reset();
}
