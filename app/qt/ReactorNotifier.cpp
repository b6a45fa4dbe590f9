#include "app/qt/ReactorNotifier.h"

#include "app/platform/Reactor.h"

namespace ata {

ReactorNotifier::ReactorNotifier(Reactor& reactor)
    : m_reactor(reactor),
      m_notifier(std::make_unique<QSocketNotifier>(reactor.EpollFd(), QSocketNotifier::Read)) {
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { m_reactor.RunOnce(0); });
}

} // namespace ata
