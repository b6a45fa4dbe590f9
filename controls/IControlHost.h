#pragma once

#include <cstdint>
#include <string>

namespace ata {

// What a drawn control needs from the window that hosts it.
class IControlHost {
public:
    virtual ~IControlHost() = default;
    // The control surface has changed: show it on the screen.
    virtual void Present() = 0;
    // A property was set (for persistence).
    virtual void PropertyChanged(const std::string& strName) = 0;
    // The access key to register ('\0' for none).
    virtual void SetAccessKey(char chrKey) = 0;
    // Enables or disables the control's input.
    virtual void SetInputEnabled(bool blnEnabled) = 0;
    // Pointer position in client pixels; false when it cannot be read.
    virtual bool CursorClientPos(int32_t& x, int32_t& y) = 0;
};

// A host that does nothing, for controls used off screen.
class CNullControlHost final : public IControlHost {
public:
    void Present() override {}
    void PropertyChanged(const std::string&) override {}
    void SetAccessKey(char) override {}
    void SetInputEnabled(bool) override {}
    bool CursorClientPos(int32_t&, int32_t&) override { return false; }
};

} // namespace ata
