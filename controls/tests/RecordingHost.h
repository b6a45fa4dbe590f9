#pragma once

#include "controls/IControlHost.h"

#include <functional>
#include <string>
#include <vector>

namespace ata::test {

// Counts presents, records property notices and serves a settable pointer position.
class CRecordingHost : public IControlHost {
public:
    void Present() override { ++intPresents; }
    void PropertyChanged(const std::string& strName) override { vecChanged.push_back(strName); }
    void SetAccessKey(char chrKey) override { chrAccessKey = chrKey; }
    void SetInputEnabled(bool blnEnabled) override { blnInputEnabled = blnEnabled; }
    bool CursorClientPos(int32_t& x, int32_t& y) override {
        x = lngCursorX;
        y = lngCursorY;
        return true;
    }
    int intPresents = 0;
    std::vector<std::string> vecChanged;
    char chrAccessKey = '?';
    bool blnInputEnabled = true;
    int32_t lngCursorX = 0;
    int32_t lngCursorY = 0;
};

// A timer that ticks only when the test says so.
class CManualTimer : public ITimer {
public:
    void Start(int32_t lngIntervalMs, std::function<void()> tick) override {
        lngInterval = lngIntervalMs;
        m_tick = std::move(tick);
        blnRunning = true;
    }
    void Stop() override { blnRunning = false; }
    bool IsRunning() const override { return blnRunning; }
    void Tick() {
        if (blnRunning && m_tick)
            m_tick();
    }
    bool blnRunning = false;
    int32_t lngInterval = 0;

private:
    std::function<void()> m_tick;
};

} // namespace ata::test
