#pragma once

#include "app/platform/CurlHttpReader.h"
#include "app/platform/LinuxIcmp.h"
#include "app/platform/LinuxSocketService.h"
#include "app/platform/Reactor.h"
#include "app/platform/ReactorTimerService.h"

namespace ata {

// The Linux back ends of one process, all served by one reactor: timers, socket notifications
// (the socket layer's platform for as long as this object lives), HTTP reads whose completions
// are posted to the reactor, and ICMP. The window and the command line compose the same set;
// the workflow objects on top of them (the downloader among them) belong to the window logic.
// Members are destroyed in reverse order, so the reactor goes last.
struct PlatformServices {
    // Installs the socket service as the socket layer's platform, and takes it out again.
    struct SocketLayerInstall {
        explicit SocketLayerInstall(LinuxSocketService& service);
        ~SocketLayerInstall();
        SocketLayerInstall(const SocketLayerInstall&) = delete;
        SocketLayerInstall& operator=(const SocketLayerInstall&) = delete;
    };

    explicit PlatformServices(CurlHttpReader::Options objHttpOptions = {});

    Reactor reactor;
    ReactorTimerService timers{reactor};
    LinuxSocketService sockets{reactor};
    SocketLayerInstall install{sockets};
    CurlHttpReader http;
    LinuxIcmp icmp;
};

} // namespace ata
