#include "acquisition/app/PanelStatusText.h"

namespace zarn {
namespace {

constexpr std::uint8_t Bit(int n) {
    return static_cast<std::uint8_t>(1u << n);
}
constexpr std::uint8_t ErrorBits = Bit(1) | Bit(2) | Bit(3) | Bit(6) | Bit(7);

} // namespace

PanelStatusView PanelStatusText::viewOf(std::uint8_t status) {
    if (status == 0)
        return {PanelText::NotPowered, StatusColour::Black};
    if ((status & Bit(0)) != 0)
        return {PanelText::StatusOk, StatusColour::Blue};
    if ((status & ErrorBits) == 0) {
        // Bits 4 and 5 only: the later check (bit 4) wins when both are set.
        return {(status & Bit(4)) != 0 ? PanelText::ParameterAdjustment
                                       : PanelText::SettingAdjustment,
                StatusColour::Blue};
    }
    // The checks run from bit 3 to bit 1 and the last match stays, so the first match from the
    // end of the list is the one shown.
    std::string_view text;
    if ((status & Bit(3)) != 0)
        text = PanelText::CheckSumError;
    if ((status & (Bit(6) | Bit(7))) != 0)
        text = PanelText::FrameError;
    if ((status & Bit(2)) != 0)
        text = PanelText::IntResp;
    if ((status & Bit(1)) != 0)
        text = PanelText::NoResponse;
    return {text, StatusColour::WhiteOnRed};
}

std::chrono::milliseconds PanelStatusText::holdOf(std::uint8_t status) {
    return std::chrono::milliseconds(status == 0 ? 250 : 1000);
}

std::optional<PanelStatusView> PanelStatusText::update(std::uint8_t status, bool dataReceived,
                                                       TimePoint now) {
    if (!dataReceived) {
        shown_.reset();
        hold_.reset();
        return PanelStatusView{PanelText::NoUsb, StatusColour::Red};
    }
    if (shown_ != status)
        hold_.reset();
    if (hold_ && now < *hold_)
        return std::nullopt;
    shown_ = status;
    hold_ = now + holdOf(status);
    return viewOf(status);
}

} // namespace zarn
