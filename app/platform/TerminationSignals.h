#pragma once

#include "app/platform/Reactor.h"
#include "base/UniqueFd.h"

#include <cstdint>
#include <functional>

namespace ata {

// The signals that ask the process to end (SIGTERM from the service manager at shutdown,
// SIGINT from the terminal, SIGHUP when the session ends) arrive as events of the reactor, so
// that a run ends at a point of its own choosing: never halfway through a write, with its
// partial files removed and its locks given back.
class TerminationSignals {
public:
    // Blocks the signals in the calling thread, and ignores SIGPIPE so that a closed output
    // pipe is an error of the write rather than the end of the process. Call it in main()
    // before any thread starts, so that every thread inherits the mask.
    static void Block();

    // Watches the blocked signals on the reactor; fnOnSignal gets the first one, once. Throws
    // std::system_error when the watch cannot be made.
    TerminationSignals(Reactor& objReactor, std::function<void(int)> fnOnSignal);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // The first signal received, or 0.
    int Received() const { return m_intSignal; }

private:
    void SignalFd_Readable();

    Reactor& m_objReactor;
    std::function<void(int)> m_fnOnSignal;
    UniqueFd m_fdSignals;
    uint64_t m_lngWatch = 0;
    int m_intSignal = 0;
};

} // namespace ata
