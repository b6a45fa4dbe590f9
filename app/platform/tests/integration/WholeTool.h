#pragma once

#include "app/platform/CurlHttpReader.h"
#include "app/platform/LinuxIcmp.h"
#include "app/platform/LinuxSocketService.h"
#include "app/platform/Reactor.h"
#include "app/platform/ReactorTimerService.h"
#include "net/modNetSocket.h"
#include "script/NetScriptSocket.h"
#include "script/ZelTelnet.h"
#include "workflow/ConfigBackup.h"
#include "workflow/FileDownloader.h"
#include "workflow/ScriptHostTimer.h"
#include "workflow/frmMain.h"
#include "workflow/tests/FileBytes.h"
#include "workflow/tests/RecordingWindow.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

namespace ata::test {

// The whole window logic as the application composes it: real ICMP, HTTP through libcurl, FTP
// through the script engine on the socket layer, all on one reactor, behind a recording
// window. Form_Load has run when the constructor returns.
struct WholeTool {
    Reactor reactor;
    ReactorTimerService timers{reactor};
    LinuxSocketService service{reactor};
    CurlHttpReader reader;
    FileDownloader downloader{reader};
    LinuxIcmp icmp;
    RecordingWindow window;
    std::unique_ptr<script::ZelTelnet> engine;
    std::unique_ptr<frmMain> frm;

    explicit WholeTool(const std::string& strAppFolder,
                       CurlHttpReader::Options options = CurlHttpReader::Options{})
        : reader([this](std::function<void()> task) { reactor.Post(std::move(task)); }, options) {
        modNetSocket::InstallPlatform(&service);
        script::ScriptHost host;
        host.DoEvents = [this] { reactor.RunOnce(0); };
        UseTimersForScript(host, timers);
        engine = script::MakeNetZelTelnet(host);
        window.OnYield = [this] { reactor.RunOnce(5); };
        frm = std::make_unique<frmMain>(window, icmp, downloader, *engine, strAppFolder, &timers);
        frm->Form_Load();
    }
    ~WholeTool() {
        frm.reset();
        engine.reset();
        reactor.RunUntilIdle();
        modNetSocket::InstallPlatform(nullptr);
    }
    // Presses Backup Config and runs the event loop until the backup has ended; false when it
    // is still busy after dblSeconds.
    bool RunBackup(double dblSeconds = 60) {
        frm->cmdBackup_Click();
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(dblSeconds);
        while (frm->Backup().IsBusy() && std::chrono::steady_clock::now() < deadline)
            reactor.RunOnce(100);
        return !frm->Backup().IsBusy();
    }

    WholeTool(const WholeTool&) = delete;
    WholeTool& operator=(const WholeTool&) = delete;
};

} // namespace ata::test
