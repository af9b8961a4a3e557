// serve_load: `zeth-host serve` under a working day's load, on loopback, bounded in requests and
// in time. It starts the served desks itself (R7_DESK, the virtual clock, in zeth-host's own
// process so that its memory can be read) and, phase by phase:
//   - 50 event streams open while the operator clicks, with 2 desks and with 1,000 desks: every
//     click answered, its latency (p50, p99, the slowest) shown;
//   - 100 event streams, each receiving every record of 100 actions, then closed while the
//     server writes on to them;
//   - a stalled reader (it never reads) during 2,000 actions: the server drops it, another stream
//     keeps every record, and the server's memory stays flat;
//   - 20 slow clients sending their headers a byte every 0.2 s beside 100 open streams: each is
//     closed within a few seconds, while /api/state and the clicks are answered throughout;
//   - the stream limit and the connection limit: the stream, or connection, past it is answered
//     503 with a one-line reason, at once, and a connection is answered again once some close;
//   - the bad requests of the HTTP tests (tests/host/bad_requests.h), sent while 100 streams are
//     open: each gets its 4xx.
// Failures name what did not hold; the status is 1 then, 0 when every check held, 2 when the
// server could not be started. Latencies are shown, never judged: the machine's load moves them.
//
// Usage: serve_load ZETH-HOST [--actions N] [--phase NAME]
//   N: the stalled reader's actions (default 2,000); NAME: only that phase, one of clicks,
//   clicks-1000, records, stalled, slow, limits
#include "bad_requests.h"
#include "serve_limits.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using json = nlohmann::json;
using clock_type = std::chrono::steady_clock;

int failures = 0;

void check(bool condition, const std::string& what) {
    std::cout << (condition ? "  ok    " : "  FAIL  ") << what << '\n' << std::flush;
    failures += condition ? 0 : 1;
}

double millisecondsSince(clock_type::time_point start) {
    return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

std::string fixed(double value, int digits = 1) {
    std::ostringstream text;
    text.setf(std::ios::fixed);
    text.precision(digits);
    text << value;
    return text.str();
}

// The p-th percentile (0 to 100) of values, nearest rank.
double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t rank =
        static_cast<std::size_t>(p / 100.0 * static_cast<double>(values.size()));
    return values[std::min(rank, values.size() - 1)];
}

std::string spread(const std::vector<double>& values) {
    return "p50 " + fixed(percentile(values, 50)) + " ms, p99 " + fixed(percentile(values, 99)) +
           " ms, slowest " + fixed(percentile(values, 100)) + " ms (" +
           std::to_string(values.size()) + ")";
}

// zeth-host serve in a process of its own: its transcript thrown away, its messages kept for a
// failure's report, ended with SIGTERM.
class served_process {
public:
    served_process(const std::string& program, const std::vector<std::string>& options) {
        std::vector<std::string> words = {program,     "serve",  "--in-process",
                                          "--virtual", "--port", "0"};
        words.insert(words.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) {
            throw std::runtime_error("no pipe for zeth-host's messages");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        const int spawned =
            posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        if (spawned != 0) {
            close(pipeEnds[0]);
            throw std::runtime_error("cannot start " + program);
        }
        messagesFrom = pipeEnds[0];
        const auto deadline = clock_type::now() + std::chrono::seconds(60);
        while (portNumber == 0 && clock_type::now() < deadline) {
            pollfd wanted{messagesFrom, POLLIN, 0};
            if (poll(&wanted, 1, 200) <= 0) {
                continue;
            }
            char block[4096];
            const ssize_t got = read(messagesFrom, block, sizeof block);
            if (got <= 0) {
                break;
            }
            messages.append(block, static_cast<std::size_t>(got));
            const std::size_t at = messages.find("http://127.0.0.1:");
            if (at != std::string::npos && messages.find('/', at + 17) != std::string::npos) {
                portNumber = std::atoi(messages.c_str() + at + 17);
            }
        }
        if (portNumber == 0) {
            stop();
            throw std::runtime_error("zeth-host serve did not say where it listens: " + messages);
        }
        // Its later messages are read on, so that it never blocks on a full pipe.
        drain = std::thread([this] {
            char block[4096];
            ssize_t got = 0;
            while ((got = read(messagesFrom, block, sizeof block)) > 0) {
                const std::lock_guard<std::mutex> lock(guard);
                messages.append(block, static_cast<std::size_t>(got));
            }
        });
    }
    served_process(const served_process&) = delete;
    served_process& operator=(const served_process&) = delete;
    ~served_process() { stop(); }

    int port() const { return portNumber; }
    // The server's resident memory in KiB, from /proc.
    long residentKiB() const {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("VmRSS:", 0) == 0) {
                return std::atol(line.c_str() + 6);
            }
        }
        return -1;
    }
    bool running() const { return waitpid(pid, nullptr, WNOHANG) == 0; }

private:
    void stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            int status = 0;
            const auto deadline = clock_type::now() + std::chrono::seconds(20);
            while (waitpid(pid, &status, WNOHANG) == 0) {
                if (clock_type::now() > deadline) {
                    kill(pid, SIGKILL);
                    waitpid(pid, &status, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            pid = -1;
        }
        if (drain.joinable()) {
            drain.join();
        }
        if (messagesFrom >= 0) {
            close(messagesFrom);
            messagesFrom = -1;
        }
    }

    pid_t pid = -1;
    int portNumber = 0;
    int messagesFrom = -1;
    std::mutex guard;
    std::string messages;
    std::thread drain;
};

// A client that sends one request at a time on a kept-alive connection, each within a deadline.
class http_client {
public:
    struct reply {
        int status = 0; // 0: no answer (the error says why)
        std::string body;
        double milliseconds = 0;
        std::string error;
    };

    explicit http_client(int port) : portNumber(port) {}

    reply send(const std::string& method, const std::string& target, const std::string& body = {},
               const std::vector<std::pair<std::string, std::string>>& headers = {},
               const std::string& type = "application/json") {
        const auto start = clock_type::now();
        reply got = attempt(method, target, body, headers, type);
        if (got.status == 0 && reused) {
            // A kept-alive connection the server had closed meanwhile: once more, afresh.
            got = attempt(method, target, body, headers, type);
        }
        got.milliseconds = millisecondsSince(start);
        return got;
    }

    reply post(const std::string& target, const json& body) {
        return send("POST", target, body.dump());
    }

private:
    reply attempt(const std::string& method, const std::string& target, const std::string& body,
                  const std::vector<std::pair<std::string, std::string>>& headers,
                  const std::string& type) {
        reply got;
        reused = stream.has_value();
        if (!stream) {
            stream.emplace(context);
            beast::error_code failed;
            stream->expires_after(std::chrono::seconds(10));
            stream->socket().connect(
                {net::ip::make_address("127.0.0.1"), static_cast<unsigned short>(portNumber)},
                failed);
            if (failed) {
                stream.reset();
                got.error = "cannot connect: " + failed.message();
                return got;
            }
        }
        http::request<http::string_body> request{http::string_to_verb(method), target, 11};
        request.set(http::field::host, "127.0.0.1:" + std::to_string(portNumber));
        if (method == "POST") {
            request.set(http::field::content_type, type);
            request.body() = body;
        }
        for (const auto& [name, value] : headers) {
            request.set(name, value);
        }
        request.keep_alive(true);
        request.prepare_payload();
        http::response_parser<http::string_body> parser;
        parser.body_limit(256 * 1024 * 1024);
        beast::error_code failed;
        stream->expires_after(std::chrono::seconds(30));
        http::async_write(*stream, request, [&](beast::error_code error, std::size_t) {
            failed = error;
            if (!failed) {
                http::async_read(
                    *stream, buffer, parser,
                    [&](beast::error_code readError, std::size_t) { failed = readError; });
            }
        });
        context.restart();
        context.run();
        if (failed) {
            stream.reset();
            buffer.clear();
            got.error = failed.message();
            return got;
        }
        got.status = static_cast<int>(parser.get().result_int());
        got.body = parser.get().body();
        if (!parser.get().keep_alive()) {
            stream.reset();
            buffer.clear();
        }
        return got;
    }

    int portNumber;
    net::io_context context;
    std::optional<beast::tcp_stream> stream;
    beast::flat_buffer buffer;
    bool reused = false;
};

// One event stream read on the shared I/O thread: it counts the records it receives and keeps
// the latest event id.
class stream_reader : public std::enable_shared_from_this<stream_reader> {
public:
    stream_reader(net::io_context& context, int port, std::string target, std::uint64_t after)
        : stream(context), portNumber(port), path(std::move(target)), from(after) {}

    void start() {
        stream.expires_after(std::chrono::seconds(10));
        stream.async_connect(
            {net::ip::make_address("127.0.0.1"), static_cast<unsigned short>(portNumber)},
            [self = shared_from_this()](beast::error_code failed) { self->connected(failed); });
    }
    void stop() {
        net::post(stream.get_executor(), [self = shared_from_this()] {
            beast::error_code ignored;
            self->stream.socket().close(ignored);
        });
    }

    std::atomic<int> status{0};     // 0: no answer yet
    std::atomic<bool> ended{false}; // the server closed the stream, or it failed
    std::atomic<std::size_t> records{0};
    std::atomic<std::uint64_t> lastId{0};
    std::atomic<double> answeredAfter{-1}; // milliseconds from start to the status line
    std::mutex guard;
    std::string refusal; // the body of an answer that was not 200, or what failed

private:
    void fail(const char* during, beast::error_code failed) {
        const std::lock_guard<std::mutex> lock(guard);
        refusal = std::string(during) + ": " + failed.message();
        ended = true;
    }
    void connected(beast::error_code failed) {
        if (failed) {
            fail("connect", failed);
            return;
        }
        request = {http::verb::get, path, 11};
        request.set(http::field::host, "127.0.0.1:" + std::to_string(portNumber));
        if (from != 0) {
            request.set("Last-Event-ID", std::to_string(from));
        }
        stream.expires_never();
        http::async_write(stream, request,
                          [self = shared_from_this()](beast::error_code error, std::size_t) {
                              if (error) {
                                  self->fail("request", error);
                                  return;
                              }
                              self->readHeader();
                          });
    }
    void readHeader() {
        // A number, not boost::none: Boost 1.74 then refuses every body with a Content-Length.
        parser.body_limit(std::numeric_limits<std::uint64_t>::max());
        parser.on_chunk_body(onBody);
        http::async_read_header(stream, buffer, parser,
                                [self = shared_from_this()](beast::error_code error, std::size_t) {
                                    if (error) {
                                        self->fail("status line", error);
                                        return;
                                    }
                                    self->answeredAfter = millisecondsSince(self->started);
                                    self->status =
                                        static_cast<int>(self->parser.get().result_int());
                                    self->readBody();
                                });
    }
    void readBody() {
        http::async_read_some(stream, buffer, parser,
                              [self = shared_from_this()](beast::error_code error, std::size_t) {
                                  if (error || self->parser.is_done()) {
                                      const std::lock_guard<std::mutex> lock(self->guard);
                                      self->refusal = self->parser.get().body();
                                      self->ended = true;
                                      return;
                                  }
                                  self->readBody();
                              });
    }
    // Server-sent events: blocks of "name: value" lines, each block ended by an empty line.
    void feed(beast::string_view body) {
        pending.append(body.data(), body.size());
        std::size_t end = 0;
        while ((end = pending.find("\n\n")) != std::string::npos) {
            const std::string block = pending.substr(0, end);
            pending.erase(0, end + 2);
            std::istringstream lines(block);
            std::string line;
            std::string name;
            std::uint64_t id = 0;
            while (std::getline(lines, line)) {
                if (line.rfind("id: ", 0) == 0) {
                    id = std::strtoull(line.c_str() + 4, nullptr, 10);
                } else if (line.rfind("event: ", 0) == 0) {
                    name = line.substr(7);
                }
            }
            lastId = std::max<std::uint64_t>(lastId, id);
            records += name == "record" ? 1 : 0;
        }
    }

    beast::tcp_stream stream;
    int portNumber;
    std::string path;
    std::uint64_t from;
    clock_type::time_point started = clock_type::now();
    http::request<http::empty_body> request;
    beast::flat_buffer buffer;
    http::response_parser<http::string_body> parser;
    // The parser keeps a reference: the callback lives as long as it.
    std::function<std::size_t(std::uint64_t, beast::string_view, beast::error_code&)> onBody =
        [this](std::uint64_t, beast::string_view body, beast::error_code&) {
            feed(body);
            return body.size();
        };
    std::string pending;
};

// A client that sends a request's headers a byte every 0.2 s and notes when the server closes.
class slow_client : public std::enable_shared_from_this<slow_client> {
public:
    slow_client(net::io_context& context, int port)
        : socket(context), timer(context), portNumber(port),
          text("GET /api/state HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: " + std::string(100, 'x') +
               "\r\n\r\n") {}

    void start() {
        socket.async_connect(
            {net::ip::make_address("127.0.0.1"), static_cast<unsigned short>(portNumber)},
            [self = shared_from_this()](beast::error_code failed) {
                if (failed) {
                    self->closedAfter = 0;
                    return;
                }
                self->listen();
                self->trickle();
            });
    }
    void stop() {
        net::post(socket.get_executor(), [self = shared_from_this()] {
            beast::error_code ignored;
            self->timer.cancel();
            self->socket.close(ignored);
        });
    }

    std::atomic<double> closedAfter{-1}; // seconds from start to the server's close; -1: open
    std::atomic<bool> answered{false};   // the server answered: the headers were complete

private:
    void trickle() {
        if (sent == text.size() || closedAfter >= 0) {
            return;
        }
        net::async_write(socket, net::buffer(text.data() + sent, 1),
                         [self = shared_from_this()](beast::error_code failed, std::size_t) {
                             if (failed) {
                                 self->closed();
                                 return;
                             }
                             ++self->sent;
                             self->timer.expires_after(std::chrono::milliseconds(200));
                             self->timer.async_wait([self](beast::error_code stopped) {
                                 if (!stopped) {
                                     self->trickle();
                                 }
                             });
                         });
    }
    void listen() {
        socket.async_read_some(net::buffer(reading),
                               [self = shared_from_this()](beast::error_code failed, std::size_t) {
                                   if (failed) {
                                       self->closed();
                                       return;
                                   }
                                   self->answered = true;
                                   self->listen();
                               });
    }
    void closed() {
        if (closedAfter < 0) {
            closedAfter = millisecondsSince(started) / 1000.0;
        }
    }

    tcp::socket socket;
    net::steady_timer timer;
    int portNumber;
    std::string text;
    std::size_t sent = 0;
    char reading[512];
    clock_type::time_point started = clock_type::now();
};

// The I/O thread that the streams and the slow clients share.
class load_io {
public:
    load_io() : work(net::make_work_guard(context)), thread([this] { context.run(); }) {}
    ~load_io() {
        work.reset();
        context.stop();
        thread.join();
    }
    net::io_context context;

private:
    net::executor_work_guard<net::io_context::executor_type> work;
    std::thread thread;
};

template <typename Condition> bool waitFor(Condition condition, std::chrono::milliseconds limit) {
    const auto deadline = clock_type::now() + limit;
    while (!condition()) {
        if (clock_type::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

using readers = std::vector<std::shared_ptr<stream_reader>>;

readers openStreams(load_io& io, int port, int count, std::uint64_t after) {
    readers opened;
    for (int i = 0; i < count; ++i) {
        opened.push_back(
            std::make_shared<stream_reader>(io.context, port, "/api/events?state=changes", after));
        opened.back()->start();
    }
    const bool answered = waitFor(
        [&] {
            return std::all_of(opened.begin(), opened.end(),
                               [](const auto& each) { return each->status != 0 || each->ended; });
        },
        std::chrono::seconds(20));
    const auto live = std::count_if(opened.begin(), opened.end(),
                                    [](const auto& each) { return each->status == 200; });
    check(answered && live == count, std::to_string(count) + " event streams open (" +
                                         std::to_string(live) + " answered 200)");
    return opened;
}

void closeStreams(const readers& opened) {
    for (const auto& each : opened) {
        each->stop();
    }
}

// One operator action of a repeating round on desk: pick a package, pick a Monitor, Take. It
// returns the answer; click says whether it was a click.
http_client::reply act(http_client& client, int desk, int step, bool& click) {
    const int round = step / 3;
    click = step % 3 != 0;
    if (step % 3 == 0) {
        return client.post("/api/select?state=changes",
                           {{"desk", desk}, {"index", 1 + round % 12}});
    }
    const std::string control = step % 3 == 1 ? "Dest_" + std::to_string(1 + round % 4) : "Take";
    return client.post("/api/click?state=changes", {{"desk", desk}, {"control", control}});
}

// The records an action's answer carries, and the serial of the stream's latest event then.
std::size_t recordsIn(const http_client::reply& reply, std::uint64_t* latest = nullptr) {
    const json answer = json::parse(reply.body, nullptr, false);
    if (latest != nullptr && answer.contains("event") && answer["event"].is_number_unsigned()) {
        *latest = answer["event"].get<std::uint64_t>();
    }
    return answer.contains("records") ? answer["records"].size() : 0;
}

// One action first: the serial of the stream's latest event after it, to follow from there.
std::uint64_t markAfterAnAction(http_client& client) {
    std::uint64_t mark = 0;
    bool click = false;
    recordsIn(act(client, 1, 0, click), &mark);
    return mark;
}

std::vector<std::string> figures;

void clicksWithStreams(const std::string& program, int desks) {
    std::cout << "50 event streams, clicks on " << desks << " desks:\n";
    served_process served(program, {"--panels", std::to_string(desks)});
    load_io io;
    const readers opened = openStreams(io, served.port(), 50, 0);
    http_client client(served.port());
    std::vector<double> clicks;
    int answered = 0;
    const int steps = desks > 100 ? 90 : 180;
    for (int step = 0; step < steps && answered + 3 > step; ++step) {
        bool click = false;
        const http_client::reply got = act(client, 1 + step / 3 % std::min(desks, 4), step, click);
        answered += got.status == 200 ? 1 : 0;
        if (click) {
            clicks.push_back(got.milliseconds);
        }
    }
    check(answered == steps, "every action answered 200 (" + std::to_string(answered) + " of " +
                                 std::to_string(steps) + ")");
    std::cout << "        a click: " << spread(clicks) << '\n';
    figures.push_back("click with 50 streams, " + std::to_string(desks) +
                      " desks: " + spread(clicks));
    const http_client::reply state = client.send("GET", "/api/state");
    figures.push_back("/api/state with " + std::to_string(desks) +
                      " desks: " + std::to_string(state.body.size() / 1024) + " KiB");
    closeStreams(opened);
}

void everyRecord(const std::string& program) {
    std::cout << "100 event streams, 100 actions:\n";
    served_process served(program, {"--panels", "2"});
    load_io io;
    http_client client(served.port());
    const std::uint64_t mark = markAfterAnAction(client);
    bool click = false;
    check(mark != 0,
          "an action's answer names the stream's latest event (" + std::to_string(mark) + ")");
    const readers opened = openStreams(io, served.port(), 100, mark);
    std::size_t sent = 0;
    std::vector<double> actions;
    int answered = 0;
    for (int step = 1; step <= 100 && answered + 3 >= step; ++step) {
        const http_client::reply got = act(client, 1 + step % 2, step, click);
        answered += got.status == 200 ? 1 : 0;
        sent += recordsIn(got);
        actions.push_back(got.milliseconds);
    }
    const bool all = waitFor(
        [&] {
            return std::all_of(opened.begin(), opened.end(), [&](const auto& each) {
                return each->records >= sent || each->ended;
            });
        },
        std::chrono::seconds(30));
    const auto complete = std::count_if(opened.begin(), opened.end(),
                                        [&](const auto& each) { return each->records == sent; });
    check(all && complete == 100 && sent > 0, std::to_string(complete) +
                                                  " of 100 streams received every one of the " +
                                                  std::to_string(sent) + " records of 100 actions");
    std::cout << "        an action: " << spread(actions) << '\n';
    figures.push_back("action with 100 streams, 2 desks: " + spread(actions));
    closeStreams(opened);
    // The server goes on writing to the streams just closed: each write fails on its own
    // connection, never with a signal that ends the desks' process.
    int afterClose = 0;
    for (int step = 101; step <= 106; ++step) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        afterClose += act(client, 1 + step % 2, step, click).status == 200 ? 1 : 0;
    }
    afterClose += client.send("GET", "/api/state").status == 200 ? 1 : 0;
    check(afterClose == 7, "after the 100 streams closed, the server answered " +
                               std::to_string(afterClose) + " of 7 requests");
}

void stalledReader(const std::string& program, int actions) {
    std::cout << "A stalled reader, " << actions << " actions:\n";
    served_process served(program, {"--panels", "2"});
    load_io io;
    http_client client(served.port());
    const std::uint64_t mark = markAfterAnAction(client);
    bool click = false;
    // The stalled reader asks for the stream and never reads: its receive window is small.
    tcp::socket stalled(io.context);
    stalled.open(tcp::v4());
    stalled.set_option(net::socket_base::receive_buffer_size(4096));
    stalled.connect(
        {net::ip::make_address("127.0.0.1"), static_cast<unsigned short>(served.port())});
    const std::string ask = "GET /api/events?state=changes HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    net::write(stalled, net::buffer(ask));
    const readers live = openStreams(io, served.port(), 1, mark);
    std::size_t sent = 0;
    std::vector<long> memory;
    std::vector<double> taken;
    int refusedActions = 0;
    for (int step = 1; step <= actions && refusedActions < 3; ++step) {
        const http_client::reply got = act(client, 1 + step % 2, step, click);
        refusedActions += got.status == 200 ? 0 : 1;
        sent += recordsIn(got);
        taken.push_back(got.milliseconds);
        if (step % (actions / 4) == 0) {
            memory.push_back(served.residentKiB());
        }
    }
    waitFor([&] { return live[0]->records >= sent || live[0]->ended; }, std::chrono::seconds(30));
    check(live[0]->records == sent && sent > 0,
          "the stream beside it received every one of the " + std::to_string(sent) + " records");
    // Dropped: reading what the kernel holds for it ends in the server's close.
    stalled.non_blocking(true);
    bool closed = false;
    const auto deadline = clock_type::now() + std::chrono::seconds(15);
    std::size_t drained = 0;
    while (!closed && clock_type::now() < deadline) {
        char block[65536];
        beast::error_code failed;
        const std::size_t got = stalled.read_some(net::buffer(block), failed);
        drained += got;
        if (failed == net::error::would_block) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } else if (failed) {
            closed = true;
        }
    }
    check(closed, "the stalled reader was dropped (" + std::to_string(drained / 1024) +
                      " KiB were waiting for it)");
    std::string samples;
    for (const long each : memory) {
        samples += (samples.empty() ? "" : ", ") + std::to_string(each / 1024) + " MiB";
    }
    const long growth = memory.size() >= 2 ? memory.back() - memory[memory.size() / 2 - 1] : 0;
    check(memory.size() >= 2 && growth < 8 * 1024, "the server's memory stays flat: " + samples +
                                                       " after each quarter (the second half " +
                                                       std::to_string(growth / 1024) + " MiB)");
    figures.push_back("action with a stalled reader, 2 desks: " + spread(taken));
    figures.push_back("memory during " + std::to_string(actions) + " actions: " + samples);
    closeStreams(live);
}

void slowClients(const std::string& program) {
    std::cout << "20 slow clients beside 100 event streams:\n";
    served_process served(program, {"--panels", "2"});
    load_io io;
    const readers opened = openStreams(io, served.port(), 100, 0);
    std::vector<std::shared_ptr<slow_client>> slow;
    for (int i = 0; i < 20; ++i) {
        slow.push_back(std::make_shared<slow_client>(io.context, served.port()));
        slow.back()->start();
    }
    http_client client(served.port());
    std::vector<double> states;
    std::vector<double> clicks;
    int answered = 0;
    int asked = 0;
    const auto start = clock_type::now();
    const auto limit = serve_limits::headerTime + std::chrono::seconds(3);
    for (int step = 1; clock_type::now() - start < limit; ++step) {
        const http_client::reply state = client.send("GET", "/api/state");
        bool click = false;
        const http_client::reply action = act(client, 1 + step % 2, step, click);
        answered += (state.status == 200 ? 1 : 0) + (action.status == 200 ? 1 : 0);
        asked += 2;
        states.push_back(state.milliseconds);
        if (click) {
            clicks.push_back(action.milliseconds);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    check(answered == asked, "/api/state and the actions answered " + std::to_string(answered) +
                                 " of " + std::to_string(asked) + " times while they trickle");
    const auto streaming = std::count_if(opened.begin(), opened.end(),
                                         [](const auto& each) { return !each->ended.load(); });
    check(streaming == 100, std::to_string(streaming) + " of 100 streams still open beside them");
    double latest = 0;
    int closed = 0;
    for (const auto& each : slow) {
        closed += each->closedAfter >= 0 && !each->answered ? 1 : 0;
        latest = std::max<double>(latest, each->closedAfter);
        each->stop();
    }
    check(closed == 20, std::to_string(closed) +
                            " of 20 slow clients closed by the server before "
                            "their headers were complete, the last after " +
                            fixed(latest) + " s");
    std::cout << "        /api/state: " << spread(states) << '\n';
    std::cout << "        a click: " << spread(clicks) << '\n';
    figures.push_back("/api/state with 20 slow clients and 100 streams: " + spread(states));
    figures.push_back("click with 20 slow clients and 100 streams: " + spread(clicks));
    figures.push_back("slow clients closed after at most " + fixed(latest) + " s");
    closeStreams(opened);
}

void streamLimitAndBadRequests(const std::string& program) {
    std::cout << "The stream limit, and bad requests under load:\n";
    served_process served(program, {"--panels", "2"});
    load_io io;
    const readers opened = openStreams(io, served.port(), serve_limits::streams, 0);
    const auto past = std::make_shared<stream_reader>(io.context, served.port(), "/api/events", 0);
    past->start();
    waitFor([&] { return past->ended.load(); }, std::chrono::seconds(10));
    std::string reason;
    {
        const std::lock_guard<std::mutex> lock(past->guard);
        reason = past->refusal;
    }
    const json refusal = json::parse(reason, nullptr, false);
    check(past->status == 503 && refusal.contains("error") &&
              reason.find('\n') == std::string::npos,
          "the stream past " + std::to_string(serve_limits::streams) + " is answered " +
              std::to_string(past->status) + " after " + fixed(past->answeredAfter) +
              " ms: " + reason);
    // The streams count as connections: idle ones fill the rest, and the next is refused too.
    std::vector<std::unique_ptr<tcp::socket>> idle;
    const tcp::endpoint server{net::ip::make_address("127.0.0.1"),
                               static_cast<unsigned short>(served.port())};
    for (int i = serve_limits::streams; i < serve_limits::connections; ++i) {
        idle.push_back(std::make_unique<tcp::socket>(io.context));
        beast::error_code failed;
        idle.back()->connect(server, failed);
    }
    http_client next(served.port());
    const http_client::reply full = next.send("GET", "/api/state");
    check(full.status == 503 && full.body.find("connections") != std::string::npos,
          "the connection past " + std::to_string(serve_limits::connections) + " is answered " +
              std::to_string(full.status) + " after " + fixed(full.milliseconds) +
              " ms: " + full.body);
    idle.clear();
    closeStreams(opened);
    waitFor(
        [&] {
            return std::all_of(opened.begin(), opened.end(),
                               [](const auto& each) { return each->ended.load(); });
        },
        std::chrono::seconds(10));
    int again = 0;
    waitFor(
        [&] {
            again = http_client(served.port()).send("GET", "/api/state").status;
            return again == 200;
        },
        std::chrono::seconds(10));
    check(again == 200, "once they close, a new connection is answered " + std::to_string(again));
    const readers load = openStreams(io, served.port(), 100, 0);
    http_client client(served.port());
    int held = 0;
    const std::vector<bad_request> table = badRequests();
    for (const bad_request& row : table) {
        const http_client::reply got =
            client.send("POST", row.path, row.body, row.headers, row.type);
        const json error = json::parse(got.body, nullptr, false);
        const bool holds = got.status == row.status && error.contains("error") &&
                           error["error"].get<std::string>().find(row.says) != std::string::npos;
        held += holds ? 1 : 0;
        if (!holds) {
            check(false, std::string(row.name) + ": " + std::to_string(got.status) + " " +
                             got.body + got.error);
        }
    }
    check(held == static_cast<int>(table.size()),
          std::to_string(held) + " of " + std::to_string(table.size()) +
              " bad requests refused with their status while 100 streams are open");
    closeStreams(load);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: serve_load ZETH-HOST [--actions N] [--phase NAME]\n";
        return 2;
    }
    const std::string program = argv[1];
    int actions = 2000;
    std::string only;
    for (int i = 2; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--actions") {
            actions = std::max(8, std::atoi(argv[i + 1]));
        } else if (std::string(argv[i]) == "--phase") {
            only = argv[i + 1];
        }
    }
    const auto phase = [&only](const char* name) { return only.empty() || only == name; };
    std::signal(SIGPIPE, SIG_IGN);
    const auto start = clock_type::now();
    try {
        if (phase("clicks")) {
            clicksWithStreams(program, 2);
        }
        if (phase("clicks-1000")) {
            clicksWithStreams(program, 1000);
        }
        if (phase("records")) {
            everyRecord(program);
        }
        if (phase("stalled")) {
            stalledReader(program, actions);
        }
        if (phase("slow")) {
            slowClients(program);
        }
        if (phase("limits")) {
            streamLimitAndBadRequests(program);
        }
    } catch (const std::exception& error) {
        std::cerr << "serve_load: " << error.what() << '\n';
        return 2;
    }
    std::cout << "\nFigures (" << fixed(millisecondsSince(start) / 1000.0) << " s in all):\n";
    for (const std::string& figure : figures) {
        std::cout << "  " << figure << '\n';
    }
    if (failures > 0) {
        std::cout << "serve_load: " << failures << " check(s) failed\n";
        return 1;
    }
    std::cout << "serve_load: every check held\n";
    return 0;
}
