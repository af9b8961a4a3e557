#include "transcript.h"

void transcript::attach(transcript_writer& writer) {
    writers.push_back(&writer);
}

std::uint64_t transcript::add(transcript_entry entry) {
    const std::uint64_t serial = nextSerial++;
    if (!listening()) {
        return serial;
    }
    if (entry.line == 0) {
        entry.line = currentLine;
    }
    if (relayed != nullptr) {
        relayed->added(entry);
    }
    if (holds > 0) {
        held.emplace_back(serial, std::move(entry));
    } else {
        write(entry);
    }
    return serial;
}

void transcript::hold() {
    ++holds;
    if (relayed != nullptr) {
        relayed->held();
    }
}

void transcript::release() {
    if (relayed != nullptr) {
        relayed->released();
    }
    if (holds > 0 && --holds == 0) {
        std::vector<std::pair<std::uint64_t, transcript_entry>> out;
        out.swap(held);
        for (const auto& [serial, entry] : out) {
            write(entry);
        }
    }
}

void transcript::releaseAll() {
    if (holds > 0) {
        holds = 1;
        release();
    }
}

bool transcript::markHandedBack(std::uint64_t serial) {
    if (!listening()) {
        return true;
    }
    if (relayed != nullptr) {
        relayed->handedBack(serial);
    }
    for (auto& [heldSerial, entry] : held) {
        if (heldSerial == serial) {
            entry.handedBack = true;
            return true;
        }
    }
    return false;
}

void transcript::write(const transcript_entry& entry) {
    for (transcript_writer* writer : writers) {
        writer->write(entry);
    }
}
