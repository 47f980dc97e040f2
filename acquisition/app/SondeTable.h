// The sonde table: ten stored sondes and the working copy of the selected one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zarn {

// One stored sonde. A serial of 0 or less marks an empty slot.
struct SondeSlot {
    std::int32_t serialNumber = 0;
    std::int32_t sondeLength = 162;  // cm
    double imageOffset = 0.0;        // degrees, 0 to 359.9
    double cameraOffset = 8;         // cm
    double deviationOffset = 107;    // cm
    double gammaOffset = 145;        // cm
    double gammaCoefficient = 1.0;
    std::uint8_t gammaOnBoard = 0;

    bool occupied() const { return serialNumber > 0; }
    bool operator==(const SondeSlot&) const = default;
};

// The selected sonde's working copy, without its serial number (always read from its slot).
struct SelectedSonde {
    std::int32_t sondeLength = 162;
    double imageOffset = 0.0;
    double cameraOffset = 8;
    double deviationOffset = 107;
    double gammaOffset = 145;
    std::uint8_t gammaOnBoard = 0;
    double gammaCoefficient = 1.0;
    bool operator==(const SelectedSonde&) const = default;
};

struct SondeTable {
    static constexpr int SlotCount = 10;

    std::int32_t selected = 0;  // SondeUsed, 0 to 9
    SelectedSonde working;
    std::array<SondeSlot, SlotCount> slots{};

    const SondeSlot& selectedSlot() const { return slots[static_cast<size_t>(selected)]; }
    std::int32_t selectedSerial() const { return selectedSlot().serialNumber; }
    // Copies the selected slot into the working copy.
    void copySelectedToWorking() {
        const SondeSlot& s = selectedSlot();
        working = SelectedSonde{s.sondeLength,  s.imageOffset,  s.cameraOffset,
                                s.deviationOffset, s.gammaOffset, s.gammaOnBoard,
                                s.gammaCoefficient};
    }
    bool operator==(const SondeTable&) const = default;
};

} // namespace zarn
