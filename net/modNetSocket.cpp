#include "net/modNetSocket.h"

#include <map>
#include <vector>

#include "base/RaisedError.h"
#include "net/CNetSocket.h"
#include "net/NetErrors.h"

namespace ata::modNetSocket {

namespace {

struct Route {
    int32_t lngHandle = -1;
    uint64_t lngRoute = 0; // registration id, never reused
    CNetSocket* pOwner = nullptr;
};

// The one process-wide socket service.
struct Service {
    ISocketPlatform* pPlatform = nullptr;
    std::function<void(const std::string&)> traceCallback;
    std::function<void(const std::string&, const std::string&)> messageBox;
    bool blnInitiated = false;
    int32_t lngUsage = 0;
    int32_t lngWindow = 0; // 0 = no message window (no sink attached)
    int32_t lngNextWindow = 0;
    bool blnSocketRegistry = false;
    std::map<int32_t, CNetSocket*> socketRegistry;
    bool blnAcceptRegistry = false;
    std::map<int32_t, std::shared_ptr<CNetSocket>> acceptRegistry;
    std::vector<Route> socketRoutes;
    std::vector<Route> lookupRoutes;
    uint64_t lngNextRoute = 1;
};

Service& TheService() {
    static Service service;
    return service;
}

void TraceLine(const std::string& strLine) {
    auto& svc = TheService();
    if (!svc.traceCallback) {
        return;
    }
    try {
        svc.traceCallback(strLine);
    } catch (...) {
        // Failures of the trace sink are ignored.
    }
}

std::string DispatcherAddress() {
    return std::to_string(reinterpret_cast<uintptr_t>(&Dispatch));
}

// Adds a route; a handle already routed keeps its first owner.
uint64_t AddRoute(std::vector<Route>& routes, int32_t lngHandle, CNetSocket* pOwner,
                  const char* szWarning, uint64_t lngRoute) {
    for (auto& slot : routes) {
        if (slot.lngHandle == lngHandle) {
            TraceLine(szWarning);
            return slot.lngRoute;
        }
    }
    for (auto& slot : routes) {
        if (slot.lngHandle == -1) {
            slot = Route{lngHandle, lngRoute, pOwner};
            return lngRoute;
        }
    }
    routes.push_back(Route{lngHandle, lngRoute, pOwner});
    return lngRoute;
}

void DeleteRoute(std::vector<Route>& routes, int32_t lngHandle) {
    for (auto& slot : routes) {
        if (slot.lngHandle == lngHandle) {
            slot = Route{};
            return;
        }
    }
}

void CreateMessageWindow() {
    auto& svc = TheService();
    svc.lngWindow = ++svc.lngNextWindow;
    if (svc.pPlatform) {
        svc.pPlatform->SetMessageSink(&Dispatch);
    }
    TraceLine("OK Created winsock message window " + std::to_string(svc.lngWindow));
}

void DestroyMessageWindow() {
    auto& svc = TheService();
    if (svc.lngWindow == 0) {
        TraceLine("WARNING lngWindowHandle is ZERO");
        return;
    }
    if (svc.pPlatform) {
        svc.pPlatform->SetMessageSink({});
    }
    TraceLine("OK Destroyed winsock message window " + std::to_string(svc.lngWindow));
    svc.lngWindow = 0;
}

} // namespace

void InstallPlatform(ISocketPlatform* pPlatform) {
    auto& svc = TheService();
    if (svc.pPlatform && svc.lngWindow != 0) {
        svc.pPlatform->SetMessageSink({});
    }
    svc.pPlatform = pPlatform;
    if (svc.pPlatform && svc.lngWindow != 0) {
        svc.pPlatform->SetMessageSink(&Dispatch);
    }
}

ISocketPlatform* Platform() {
    return TheService().pPlatform;
}

void SetNetSocketCallback(std::function<void(const std::string&)> callback) {
    TheService().traceCallback = std::move(callback);
}

void SetMessageBox(std::function<void(const std::string&, const std::string&)> box) {
    TheService().messageBox = std::move(box);
}

void ShowMessageBox(const std::string& strMessage, const std::string& strTitle) {
    auto& svc = TheService();
    if (svc.messageBox) {
        svc.messageBox(strMessage, strTitle);
    }
}

int32_t InitiateProcesses() {
    auto& svc = TheService();
    ++svc.lngUsage;
    int32_t lngResult = 0;
    if (!svc.blnInitiated) {
        TraceLine("OK Subclass memory allocated at: " + DispatcherAddress());
        svc.blnInitiated = true;
        lngResult = svc.pPlatform ? svc.pPlatform->Startup() : 10091;
        if (lngResult == 0) {
            TraceLine("OK Winsock service initiated");
        } else {
            TraceLine("ERROR trying to initiate winsock service");
            // The failed object is never created, so its count is given back and the next
            // object tries the start again.
            --svc.lngUsage;
            svc.blnInitiated = false;
            throw RaisedError(lngResult, "modNetSocket.InitiateProcesses",
                              GetErrorDescription(lngResult));
        }
    }
    return lngResult;
}

int32_t FinalizeProcesses() {
    auto& svc = TheService();
    --svc.lngUsage;
    if (svc.blnInitiated && svc.lngUsage == 0) {
        const int32_t lngResult = svc.pPlatform ? svc.pPlatform->Cleanup() : 0;
        if (lngResult != 0) {
            throw RaisedError(lngResult, "modNetSocket.FinalizeProcesses",
                              GetErrorDescription(lngResult));
        }
        TraceLine("OK Winsock service finalized");
        if (svc.lngWindow != 0 && svc.pPlatform) {
            svc.pPlatform->SetMessageSink({});
        }
        TraceLine("OK Freed subclass memory at: " + DispatcherAddress());
        svc.socketRoutes.clear();
        svc.lookupRoutes.clear();
        svc.blnInitiated = false;
    }
    return 0;
}

bool RegisterSocket(int32_t lngSocket, CNetSocket* pOwner, bool blnRequestNotifications) {
    auto& svc = TheService();
    if (!svc.blnSocketRegistry) {
        svc.blnSocketRegistry = true;
        TraceLine("OK Created socket collection");
        CreateMessageWindow();
    }
    const uint64_t lngRoute = AddRoute(svc.socketRoutes, lngSocket, pOwner,
                                       "WARNING: Socket already registered!", svc.lngNextRoute++);
    // Linux does not hand a listening socket's notification request on to the sockets it
    // accepts, so an accepted socket is registered for notifications here as well.
    const int32_t lngError =
        svc.pPlatform ? svc.pPlatform->SelectEvents(lngSocket, lngRoute, FD_ALL_REQUESTED) : 10093;
    if (blnRequestNotifications || lngError != 0) {
        if (lngError == 0) {
            TraceLine("OK Registered events from socket " + std::to_string(lngSocket));
        } else {
            TraceLine("ERROR trying to register events from socket " + std::to_string(lngSocket));
            throw RaisedError(lngError, "modNetSocket.RegisterSocket",
                              GetErrorDescription(lngError));
        }
    }
    svc.socketRegistry[lngSocket] = pOwner;
    return true;
}

void UnregisterSocket(int32_t lngSocket) {
    auto& svc = TheService();
    DeleteRoute(svc.socketRoutes, lngSocket);
    if (svc.pPlatform) {
        svc.pPlatform->CancelEvents(lngSocket);
    }
    if (!svc.blnSocketRegistry) {
        return;
    }
    svc.socketRegistry.erase(lngSocket);
    if (svc.socketRegistry.empty()) {
        svc.blnSocketRegistry = false;
        for (auto& slot : svc.socketRoutes) {
            slot = Route{};
        }
        svc.socketRoutes.clear();
        DestroyMessageWindow();
        TraceLine("OK Destroyed socket collection");
    }
}

bool IsSocketRegistered(int32_t lngSocket) {
    auto& svc = TheService();
    return svc.blnSocketRegistry && svc.socketRegistry.count(lngSocket) != 0;
}

void RegisterAccept(int32_t lngSocket) {
    auto& svc = TheService();
    if (!svc.blnAcceptRegistry) {
        svc.blnAcceptRegistry = true;
        TraceLine("OK Created accept collection");
    }
    auto holder = std::make_shared<CNetSocket>();
    holder->Accept(lngSocket);
    svc.acceptRegistry[lngSocket] = std::move(holder);
}

bool IsAcceptRegistered(int32_t lngSocket) {
    auto& svc = TheService();
    return svc.blnAcceptRegistry && svc.acceptRegistry.count(lngSocket) != 0;
}

std::shared_ptr<CNetSocket> GetAcceptedSocket(int32_t lngSocket) {
    auto& svc = TheService();
    auto it = svc.acceptRegistry.find(lngSocket);
    return it == svc.acceptRegistry.end() ? nullptr : it->second;
}

void UnregisterAccept(int32_t lngSocket) {
    auto& svc = TheService();
    auto it = svc.acceptRegistry.find(lngSocket);
    if (it == svc.acceptRegistry.end()) {
        return;
    }
    std::shared_ptr<CNetSocket> holder = std::move(it->second);
    svc.acceptRegistry.erase(it);
    if (svc.acceptRegistry.empty()) {
        svc.blnAcceptRegistry = false;
        TraceLine("OK Destroyed accept collection");
    }
    holder.reset(); // released after the registry is consistent again
}

int32_t ResolveHostAsync(const std::string& strHost, CNetSocket* pOwner, int32_t& lngError) {
    auto& svc = TheService();
    lngError = 0;
    if (!svc.pPlatform) {
        lngError = 10093;
        return 0;
    }
    const int32_t lngHandle = svc.pPlatform->StartLookup(strHost, lngError);
    if (lngHandle != 0) {
        if (svc.lngWindow == 0) {
            svc.pPlatform->SetMessageSink(&Dispatch);
        }
        AddRoute(svc.lookupRoutes, lngHandle, pOwner, "WARNING: Async already registered!",
                 svc.lngNextRoute++);
    }
    return lngHandle;
}

void UnregisterLookup(int32_t lngHandle) {
    DeleteRoute(TheService().lookupRoutes, lngHandle);
}

void ChangeSocketRouteOwner(int32_t lngSocket, CNetSocket* pNewOwner) {
    for (auto& slot : TheService().socketRoutes) {
        if (slot.lngHandle == lngSocket) {
            slot.pOwner = pNewOwner;
            return;
        }
    }
}

void Reenable(int32_t lngSocket, int32_t lngEvent) {
    if (auto* pPlatform = TheService().pPlatform) {
        pPlatform->Reenable(lngSocket, lngEvent);
    }
}

void Dispatch(const NetMessage& message) {
    auto& svc = TheService();
    CNetSocket* pOwner = nullptr;
    if (message.uMsg == WM_LOOKUP_REPLY) {
        for (const auto& slot : svc.lookupRoutes) {
            if (slot.lngHandle == message.wParam) {
                pOwner = slot.pOwner;
                break;
            }
        }
    } else if (message.uMsg == WM_SOCKET_NOTIFY) {
        for (const auto& slot : svc.socketRoutes) {
            if (slot.lngHandle == message.wParam && slot.lngRoute == message.lngRoute) {
                pOwner = slot.pOwner;
                break;
            }
        }
    }
    if (pOwner) {
        pOwner->WndProc(message);
    }
}

int32_t UsageCount() {
    return TheService().lngUsage;
}
bool HasMessageWindow() {
    return TheService().lngWindow != 0;
}
int32_t SocketRouteCount() {
    int32_t n = 0;
    for (const auto& slot : TheService().socketRoutes) {
        n += slot.lngHandle != -1 ? 1 : 0;
    }
    return n;
}

} // namespace ata::modNetSocket
