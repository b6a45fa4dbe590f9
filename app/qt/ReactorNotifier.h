#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace ata {

class Reactor;

// Embeds the reactor in Qt's event loop: one notifier on the epoll descriptor runs a
// non-blocking reactor pass whenever a watched descriptor or the post queue is ready, so
// socket notifications, lookups and HTTP completions run whenever the window processes events.
class ReactorNotifier : public QObject {
public:
    explicit ReactorNotifier(Reactor& reactor);

private:
    Reactor& m_reactor;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace ata
