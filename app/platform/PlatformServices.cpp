#include "app/platform/PlatformServices.h"

#include "net/modNetSocket.h"

#include <utility>

namespace ata {

PlatformServices::SocketLayerInstall::SocketLayerInstall(LinuxSocketService& service) {
    modNetSocket::InstallPlatform(&service);
}

PlatformServices::SocketLayerInstall::~SocketLayerInstall() {
    modNetSocket::InstallPlatform(nullptr);
}

PlatformServices::PlatformServices(CurlHttpReader::Options objHttpOptions)
    : http([this](std::function<void()> task) { reactor.Post(std::move(task)); }, objHttpOptions) {}

} // namespace ata
