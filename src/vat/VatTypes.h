#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace data {

// One general VAT rate slot: whether its settings key exists and its rate in percent.
struct TVatRateSlot
{
    bool Exists = false;
    float Rate = 0;
};

// Index n is the settings key "MwstSatz" followed by the digit n.
using TVatRateSlots = std::array<TVatRateSlot, 5>;

// The acting employee written into protocol entries.
struct TMitarbeiter
{
    std::int32_t MitarbeiterNr = 0;
    QString Name;
};

} // namespace data
