#pragma once

#include "app/qt/AccessibleControl.h"
#include "app/qt/LedWidget.h"

#include <cstdint>

namespace ata {

// A lamp as a screen reader meets it: named by its caption and its state in words, so that the
// state does not rest on colour alone; its tool tip describes it.
class AccessibleLamp : public AccessibleControl<LedWidget> {
public:
    explicit AccessibleLamp(LedWidget* lamp);

private:
    QString Name() const override;
};

// The state in words of a lamp colour the window sets: green "yes", red "no", anything else
// (light grey before the first check) "unknown".
QString LampStateWord(int32_t lngColour);

} // namespace ata
