#include "console.h"

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace {

// Read by the signal handler, so lock-free atomics only.
std::atomic<std::atomic<bool>*> flag{nullptr};
std::atomic<int> child{0};

extern "C" void onInterrupt(int) {
    if (std::atomic<bool>* requested = flag.load()) {
        *requested = true;
    }
    // A terminal's Ctrl-C reaches the child anyway, a `kill` only the process it names.
    const int childId = child.load();
    if (childId > 0) {
        kill(static_cast<pid_t>(childId), SIGTERM);
    }
}

} // namespace

bool standardInputIsTerminal() {
    return isatty(STDIN_FILENO) != 0;
}

void catchInterrupts(std::atomic<bool>& requested) {
    flag = &requested;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void passInterruptsTo(int childId) {
    child = childId;
}

void writeStandardStreamsVerbatim() {
    // POSIX streams write what they are given.
}
