#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "net/ISocketPlatform.h"

namespace ata {

class CNetSocket;

// The process-wide socket service: usage count, library start and stop, registries of sockets
// and accepted connections, lookup starts, and routing of every notification to its owner.
//
// Set-up (application or test), before the first CNetSocket is created:
//     Reactor reactor;                       // app/platform/Reactor.h
//     LinuxSocketService service(reactor);   // app/platform/LinuxSocketService.h
//     modNetSocket::InstallPlatform(&service);
//     ... create sockets; "yield" = reactor.RunOnce() ...
//     modNetSocket::InstallPlatform(nullptr); // after the last CNetSocket is gone
namespace modNetSocket {

void InstallPlatform(ISocketPlatform* pPlatform);
ISocketPlatform* Platform();

// The main window's trace sink (NetSocketCallback); lines are discarded when none is set.
void SetNetSocketCallback(std::function<void(const std::string&)> callback);
// Modal message box used when an Error handler clears CancelDisplay (message, title).
void SetMessageBox(std::function<void(const std::string&, const std::string&)> box);
void ShowMessageBox(const std::string& strMessage, const std::string& strTitle);

int32_t InitiateProcesses();
int32_t FinalizeProcesses();

// Registers a descriptor with its owner; the route returned is the one its notifications carry.
bool RegisterSocket(int32_t lngSocket, CNetSocket* pOwner, bool blnRequestNotifications);
void UnregisterSocket(int32_t lngSocket);
bool IsSocketRegistered(int32_t lngSocket);

void RegisterAccept(int32_t lngSocket);
bool IsAcceptRegistered(int32_t lngSocket);
std::shared_ptr<CNetSocket> GetAcceptedSocket(int32_t lngSocket);
void UnregisterAccept(int32_t lngSocket);

// Starts a lookup and routes its reply to the owner; 0 when it did not start (lngError set).
int32_t ResolveHostAsync(const std::string& strHost, CNetSocket* pOwner, int32_t& lngError);
void UnregisterLookup(int32_t lngHandle);

void ChangeSocketRouteOwner(int32_t lngSocket, CNetSocket* pNewOwner);

// Tells the platform that a notification may be re-enabled (see ISocketPlatform::Reenable).
void Reenable(int32_t lngSocket, int32_t lngEvent);

// Delivers one message to its owner (the dispatcher); used by the platform's sink.
void Dispatch(const NetMessage& message);

// Introspection for tests and diagnostics.
int32_t UsageCount();
bool HasMessageWindow();
int32_t SocketRouteCount();

} // namespace modNetSocket
} // namespace ata
