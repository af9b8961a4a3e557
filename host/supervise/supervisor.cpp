#include "supervisor.h"

#include "child_process.h"
#include "platform_error.h"
#include "violation_kind.h"
#include "wire_frame.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <optional>

namespace {

class silent_monitor : public call_monitor {
public:
    void callBegins(int, const std::string&) override {}
    void callReturned() override {}
};

// Runs the body, turning an exception into a message and status 2.
int runBody(const supervised_body& body, supervised_run& run) {
    try {
        return body(run);
    } catch (const std::exception& error) {
        run.messages << "zeth-host: " << error.what() << '\n' << std::flush;
    } catch (...) {
        run.messages << "zeth-host: the run stopped on an unknown error\n" << std::flush;
    }
    return 2;
}

} // namespace

int runInProcess(const supervised_body& body, transcript& record, std::ostream& messages,
                 const result_handler& resultArrived) {
    silent_monitor nobody;
    supervised_run run{record, nobody, messages, [&](const std::string& result) {
                           if (resultArrived) {
                               resultArrived(result);
                           }
                       }};
    return runBody(body, run);
}

namespace {

// The child's end of the pipe: every transcript operation, call and message becomes a frame.
// Message text is sent when the stream is flushed, and before any other frame, so the order
// the body wrote things in is the order the supervisor sees.
class child_channel : public transcript_relay, public call_monitor, private std::streambuf {
public:
    explicit child_channel(parent_pipe& parent) : pipe(parent), stream(this) {}

    std::ostream& messages() { return stream; }

    void added(const transcript_entry& entry) override {
        wire_frame frame;
        frame.kind = frame_kind::added;
        frame.entry = entry;
        send(frame);
    }
    void held() override { send({frame_kind::held, {}, 0, 0, 0, {}}); }
    void released() override { send({frame_kind::released, {}, 0, 0, 0, {}}); }
    void handedBack(std::uint64_t serial) override {
        send({frame_kind::handedBack, {}, serial, 0, 0, {}});
    }
    void callBegins(int deskNumber, const std::string& what) override {
        send({frame_kind::callBegins, {}, 0, deskNumber, 0, what});
    }
    void callReturned() override { send({frame_kind::callReturned, {}, 0, 0, 0, {}}); }
    void result(const std::string& found) { send({frame_kind::result, {}, 0, 0, 0, found}); }
    void finished(int status) {
        stream.flush();
        send({frame_kind::finished, {}, 0, 0, status, {}});
    }

private:
    int overflow(int c) override {
        if (c != traits_type::eof()) {
            text += static_cast<char>(c);
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        text.append(bytes, static_cast<std::size_t>(count));
        return count;
    }
    int sync() override {
        sendText();
        return 0;
    }

    void sendText() {
        if (!text.empty()) {
            std::string pending;
            pending.swap(text);
            writeAll(encodeFrame({frame_kind::message, {}, 0, 0, 0, std::move(pending)}));
        }
    }
    void send(const wire_frame& frame) {
        sendText();
        writeAll(encodeFrame(frame));
    }
    void writeAll(const std::string& bytes) {
        if (!pipe.write(bytes.data(), bytes.size())) {
            endThisProcessNow(2); // the supervisor has gone: nobody is left to report to
        }
    }

    parent_pipe& pipe;
    std::string text;
    std::ostream stream;
};

// The body in the child process: everything it records goes to the parent as frames.
int runChild(parent_pipe& parent, const supervised_body& body, debug_output_capture& debugOutput) {
    child_channel channel(parent);
    transcript record;
    record.relayTo(channel);
    supervised_run run{record, channel, channel.messages(),
                       [&](const std::string& found) { channel.result(found); }, &debugOutput};
    const int status = runBody(body, run);
    channel.finished(status);
    return status;
}

// The call the plug-in is in, as the child announced it.
struct call_in_progress {
    int deskNumber = 0;
    std::string what;
    std::chrono::steady_clock::time_point began;
};

// What the supervisor knows of the child's run, frame by frame.
class run_watch {
public:
    run_watch(transcript& output, std::ostream& userMessages, const result_handler& results)
        : record(output), messages(userMessages), resultArrived(results) {}

    void take(wire_frame& frame) {
        switch (frame.kind) {
        case frame_kind::added:
            if (frame.entry.kind == entry_kind::action) {
                lastAction = frame.entry.text;
            }
            lastLine = frame.entry.line != 0 ? frame.entry.line : lastLine;
            record.add(std::move(frame.entry));
            break;
        case frame_kind::held:
            record.hold();
            break;
        case frame_kind::released:
            record.release();
            break;
        case frame_kind::handedBack:
            record.markHandedBack(frame.serial);
            break;
        case frame_kind::callBegins:
            call = call_in_progress{frame.deskNumber, std::move(frame.text),
                                    std::chrono::steady_clock::now()};
            break;
        case frame_kind::callReturned:
            call.reset();
            break;
        case frame_kind::message:
            messages << frame.text << std::flush;
            break;
        case frame_kind::result:
            if (resultArrived) {
                resultArrived(frame.text);
            }
            break;
        case frame_kind::finished:
            status = frame.status;
            break;
        }
    }

    // The child's run ended abnormally: the held entries, the debug output written since the
    // child last took it, then the violation that ends it.
    void report(violation_kind kind, const std::string& pluginFile, const std::string& happened,
                const std::string& debugOutput) {
        record.releaseAll();
        for (std::string& line : debug_output_capture::lines(debugOutput)) {
            transcript_entry written;
            written.kind = entry_kind::debug;
            written.deskNumber = call ? call->deskNumber : 0;
            written.text = std::move(line);
            record.add(std::move(written));
        }
        transcript_entry entry;
        entry.kind = entry_kind::violation;
        entry.deskNumber = call ? call->deskNumber : 0;
        entry.line = lastLine; // the scenario line that led to the call
        entry.id = std::string(violationId(kind));
        entry.detail = "the plug-in \"" + pluginFile + "\" " + happened +
                       (call ? " in " + call->what + " on desk " + std::to_string(call->deskNumber)
                             : std::string(" between the host's calls")) +
                       (lastAction.empty() ? std::string() : ", during \"" + lastAction + "\"");
        record.add(std::move(entry));
    }

    std::optional<call_in_progress> call;
    std::optional<int> status;

private:
    transcript& record;
    std::ostream& messages;
    const result_handler& resultArrived;
    std::string lastAction;
    int lastLine = 0;
};

std::string secondsText(double seconds) {
    std::string text = std::to_string(seconds);
    text.erase(text.find_last_not_of('0') + 1);
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    return text + " s";
}

} // namespace

int runSupervised(const supervision& settings, const supervised_body& body, transcript& record,
                  std::ostream& messages, const result_handler& resultArrived) {
    // Made here, so that this process can read what the child's plug-in wrote before it died.
    debug_output_capture debugOutput;
    // Whatever is buffered now belongs to this process; the child must not write it again.
    messages.flush();
    std::cout.flush();
    std::optional<child_process> child;
    try {
        child.emplace([&body, &debugOutput](
                          parent_pipe& parent) { return runChild(parent, body, debugOutput); },
                      settings.restart);
    } catch (const platform_error& error) {
        messages << "zeth-host: " << error.what()
                 << " for the plug-in's process; run with --in-process\n";
        return 2;
    }
    if (settings.childStarted) {
        settings.childStarted(child->id());
    }

    run_watch watch(record, messages, resultArrived);
    frame_reader frames;
    bool hung = false;
    std::optional<int> outputLost; // the reason (errno) the transcript could not be written
    char buffer[65536];
    while (true) {
        std::optional<std::chrono::milliseconds> timeout;
        if (watch.call) {
            const auto limit = std::chrono::duration<double>(settings.callTimeout);
            const auto left = limit - (std::chrono::steady_clock::now() - watch.call->began);
            // One millisecond more: a call is hung only once its time is up.
            timeout = std::chrono::milliseconds(static_cast<std::int64_t>(std::max<double>(
                0.0, std::chrono::duration<double, std::milli>(left).count() + 1.0)));
        }
        const input_piece piece = child->output().read(buffer, sizeof buffer, timeout);
        if (piece.status == input_status::timedOut) {
            hung = true;
            break;
        }
        if (piece.status == input_status::ended) {
            break;
        }
        frames.feed(buffer, piece.count);
        while (auto frame = frames.next()) {
            watch.take(*frame);
        }
        if (settings.output != nullptr && settings.output->fail()) {
            outputLost = errno;
            break;
        }
        if (frames.corrupt()) {
            break;
        }
    }
    if (hung || outputLost) {
        child->end();
    }
    const process_ending ending = child->wait();

    if (outputLost) {
        messages << "zeth-host: cannot write the transcript (" << std::strerror(*outputLost)
                 << "): the run was stopped; free space or choose another output\n";
        return 2;
    }
    if (hung) {
        watch.report(violation_kind::pluginHung, settings.pluginFile,
                     "did not return within " + secondsText(settings.callTimeout) + " (" +
                         settings.timeoutOption + "); the host stopped it",
                     debugOutput.leftOver());
        return 1;
    }
    if (ending.died) {
        watch.report(violation_kind::pluginCrashed, settings.pluginFile, ending.words(),
                     debugOutput.leftOver());
        return 1;
    }
    if (!watch.status || frames.corrupt()) {
        watch.report(violation_kind::pluginExited, settings.pluginFile,
                     "ended the host's process with exit status " + std::to_string(ending.status),
                     debugOutput.leftOver());
        return 1;
    }
    return *watch.status;
}
