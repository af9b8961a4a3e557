#include "wire_frame.h"

namespace {

// Frames larger than this are not ours: the stream is damaged.
constexpr std::uint32_t largestFrame = 64u << 20;

void putNumber(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xffu);
    }
}

void putText(std::string& out, const std::string& text) {
    putNumber(out, text.size(), 4);
    out += text;
}

// Reads the payload of one frame; any read past its end marks it bad.
class payload_reader {
public:
    explicit payload_reader(const std::string& bytes) : data(bytes) {}

    std::uint64_t number(int bytes) {
        if (!has(static_cast<std::size_t>(bytes))) {
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value |= static_cast<std::uint64_t>(static_cast<unsigned char>(data[at++])) << (8 * i);
        }
        return value;
    }
    std::string text() {
        const auto length = static_cast<std::size_t>(number(4));
        if (!has(length)) {
            return {};
        }
        std::string value = data.substr(at, length);
        at += length;
        return value;
    }
    bool whole() const { return good && at == data.size(); }

private:
    bool has(std::size_t count) {
        good = good && data.size() - at >= count;
        return good;
    }
    const std::string& data;
    std::size_t at = 0;
    bool good = true;
};

void putEntry(std::string& out, const transcript_entry& entry) {
    putNumber(out, static_cast<std::uint64_t>(entry.kind), 1);
    putNumber(out, static_cast<std::uint64_t>(entry.time), 8);
    putNumber(out, static_cast<std::uint32_t>(entry.deskNumber), 4);
    putText(out, entry.text);
    putNumber(out, entry.reply ? 1 : 0, 1);
    putText(out, entry.reply.value_or(""));
    putNumber(out, entry.handedBack ? 1 : 0, 1);
    putText(out, entry.effect);
    putText(out, entry.id);
    putText(out, entry.detail);
    putText(out, entry.cause);
    putNumber(out, entry.passed ? 1 : 0, 1);
    putNumber(out, entry.continues ? 1 : 0, 1);
    putNumber(out, static_cast<std::uint32_t>(entry.line), 4);
}

transcript_entry readEntry(payload_reader& in) {
    transcript_entry entry;
    entry.kind = static_cast<entry_kind>(in.number(1));
    entry.time = static_cast<std::int64_t>(in.number(8));
    entry.deskNumber = static_cast<std::int32_t>(static_cast<std::uint32_t>(in.number(4)));
    entry.text = in.text();
    const bool hasReply = in.number(1) != 0;
    std::string reply = in.text();
    if (hasReply) {
        entry.reply = std::move(reply);
    }
    entry.handedBack = in.number(1) != 0;
    entry.effect = in.text();
    entry.id = in.text();
    entry.detail = in.text();
    entry.cause = in.text();
    entry.passed = in.number(1) != 0;
    entry.continues = in.number(1) != 0;
    entry.line = static_cast<std::int32_t>(static_cast<std::uint32_t>(in.number(4)));
    return entry;
}

} // namespace

std::string encodeFrame(const wire_frame& frame) {
    std::string payload;
    switch (frame.kind) {
    case frame_kind::added:
        putEntry(payload, frame.entry);
        break;
    case frame_kind::handedBack:
        putNumber(payload, frame.serial, 8);
        break;
    case frame_kind::callBegins:
        putNumber(payload, static_cast<std::uint32_t>(frame.deskNumber), 4);
        putText(payload, frame.text);
        break;
    case frame_kind::message:
    case frame_kind::result:
        putText(payload, frame.text);
        break;
    case frame_kind::finished:
        putNumber(payload, static_cast<std::uint32_t>(frame.status), 4);
        break;
    case frame_kind::held:
    case frame_kind::released:
    case frame_kind::callReturned:
        break;
    }
    std::string out;
    out.reserve(payload.size() + 5);
    putNumber(out, static_cast<std::uint64_t>(frame.kind), 1);
    putNumber(out, payload.size(), 4);
    out += payload;
    return out;
}

std::optional<wire_frame> frame_reader::next() {
    if (broken || pending.size() - start < 5) {
        return std::nullopt;
    }
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) {
        length |= static_cast<std::uint32_t>(static_cast<unsigned char>(pending[start + 1 + i]))
                  << (8 * i);
    }
    const auto kind = static_cast<unsigned char>(pending[start]);
    if (length > largestFrame || kind > static_cast<unsigned char>(frame_kind::result)) {
        broken = true;
        return std::nullopt;
    }
    if (pending.size() - start - 5 < length) {
        return std::nullopt;
    }
    const std::string payload = pending.substr(start + 5, length);
    start += 5 + length;
    if (start > 65536 && start * 2 > pending.size()) {
        pending.erase(0, start);
        start = 0;
    }

    wire_frame frame;
    frame.kind = static_cast<frame_kind>(kind);
    payload_reader in(payload);
    switch (frame.kind) {
    case frame_kind::added:
        frame.entry = readEntry(in);
        break;
    case frame_kind::handedBack:
        frame.serial = in.number(8);
        break;
    case frame_kind::callBegins:
        frame.deskNumber = static_cast<std::int32_t>(static_cast<std::uint32_t>(in.number(4)));
        frame.text = in.text();
        break;
    case frame_kind::message:
    case frame_kind::result:
        frame.text = in.text();
        break;
    case frame_kind::finished:
        frame.status = static_cast<std::int32_t>(static_cast<std::uint32_t>(in.number(4)));
        break;
    case frame_kind::held:
    case frame_kind::released:
    case frame_kind::callReturned:
        break;
    }
    if (!in.whole() || frame.entry.kind > entry_kind::debug) {
        broken = true;
        return std::nullopt;
    }
    return frame;
}
