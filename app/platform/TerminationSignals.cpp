#include "app/platform/TerminationSignals.h"

#include <cerrno>
#include <csignal>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace ata {

namespace {

sigset_t EndingSignals() {
    sigset_t objSet;
    sigemptyset(&objSet);
    for (int intSignal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&objSet, intSignal);
    return objSet;
}

} // namespace

void TerminationSignals::Block() {
    const sigset_t objSet = EndingSignals();
    pthread_sigmask(SIG_BLOCK, &objSet, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

TerminationSignals::TerminationSignals(Reactor& objReactor, std::function<void(int)> fnOnSignal)
    : m_objReactor(objReactor), m_fnOnSignal(std::move(fnOnSignal)) {
    const sigset_t objSet = EndingSignals();
    m_fdSignals = UniqueFd(::signalfd(-1, &objSet, SFD_NONBLOCK | SFD_CLOEXEC));
    if (!m_fdSignals)
        throw std::system_error(errno, std::generic_category(), "signalfd");
    m_lngWatch =
        m_objReactor.Add(m_fdSignals.Get(), EPOLLIN, [this](uint32_t) { SignalFd_Readable(); });
}

TerminationSignals::~TerminationSignals() {
    m_objReactor.Remove(m_lngWatch);
}

void TerminationSignals::SignalFd_Readable() {
    signalfd_siginfo objInfo{};
    while (::read(m_fdSignals.Get(), &objInfo, sizeof objInfo) == sizeof objInfo) {
        if (m_intSignal != 0)
            continue;
        m_intSignal = static_cast<int>(objInfo.ssi_signo);
        if (m_fnOnSignal)
            m_fnOnSignal(m_intSignal);
    }
}

} // namespace ata
