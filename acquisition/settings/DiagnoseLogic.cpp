#include "acquisition/settings/DiagnoseLogic.h"

#include "platform/Format.h"

namespace zarn {

const std::array<DspErrorGroup, 6> DspErrorGroups{{
    {5,
     "SPI Errors",
     {"SPI_TIMOUT", "SPI_EXCH_E", "SPI_GLITCH", "SPI_RELU_E", "SPI_STRT_E", "SPI_UNLOCK",
      "PIC_CMD_TO", nullptr}},
    {4,
     "PIC COMMAND Errors",
     {"F12F13_LEN", "F12F13_CHK", "F12_NULL", "F12_VID_ER", "F13_DIS_ER", "F13_UNKNOW",
      "FR_NOT_FND", "FR_IS_WAIT"}},
    {3,
     "Flash errors",
     {"FLSH_ERASE", "FLSH_BLANK", "FLSH_WRITE", "FLSH_VERIF", "FLSH_WAREA", nullptr, nullptr,
      nullptr}},
    {2,
     "Calibration Settings",
     {"SETT_INIT", "SETT_ERASE", "SETT_WRITE", "SETT_CREAT", "GCAL_INIT", "GCAL_ERASE",
      "GCAL_WRITE", nullptr}},
    {1,
     "Interrupt Errors",
     {"FALSE_I_08", "FALSE_I_09", "FALSE_I_10", "FALSE_I_11", "FALSE_I_12", nullptr, nullptr,
      nullptr}},
    {0,
     "Real Time Errors (on interrupts)",
     {"DMA0_ERR_1", "PPI_OVERFL", "FRAMIN_ERR", "DMA5_ERR_1", "DMA5_ERR_2", "APS_TIMOUT", nullptr,
      nullptr}},
}};

std::array<StatisticsField, 12> statisticsFieldsOf(const DiagnoseCounts& c) {
    const auto field = [](const char* label, std::int32_t value) {
        return StatisticsField{label, format("%d", value)};
    };
    return {field("Packet of 16 data count ", c.packets16),
            field("Packet of 20 data count", c.packets20),
            field("Packet of full data count", c.packetsFull),
            field("USB error count", c.usbErrors),
            field("Video packet error count", c.videoPacketErrors),
            field("Video packet checksum error ", c.videoChecksumErrors),
            field("Frame lenght error counter", c.frameLengthErrors),
            field("Resquest of video packet", c.videoRequests),
            field("Success recovery video ", c.recoveries),
            field("Reserved", c.reserved1),
            field("Reserved", c.reserved2),
            field("Raw gamma", c.rawGamma)};
}

bool DiagnoseLogic::inError(std::size_t group, int bit) const {
    if (group >= DspErrorGroups.size() || bit < 0 || bit > 7 ||
        !DspErrorGroups[group].labels[static_cast<std::size_t>(bit)])
        return false;
    const auto value = shown_[static_cast<std::size_t>(DspErrorGroups[group].readBackIndex)];
    return ((value >> bit) & 1) != 0;
}

int DiagnoseLogic::errorsShown() const {
    int n = 0;
    for (std::size_t g = 0; g < DspErrorGroups.size(); ++g)
        for (int bit = 0; bit < 8; ++bit)
            n += inError(g, bit) ? 1 : 0;
    return n;
}

void DiagnoseLogic::schedule(Clock::time_point now) {
    if (!pending_)
        pendingSince_ = now;
    pending_ = true;
}

void DiagnoseLogic::setActiveDiagnostic(bool active, Clock::time_point now) {
    active_ = active;
    byteA_ = active ? 255 : 0;
    byteB_ = 255;
    schedule(now);
}

void DiagnoseLogic::dspErrorReset(Clock::time_point now) {
    byteB_ = 255;
    shown_ = {};
    schedule(now);
    secondResetAt_ = now + std::chrono::milliseconds(SecondResetMs);
}

DiagnoseLogic::Step DiagnoseLogic::tick(Clock::time_point now,
                                        const std::function<bool()>& claimLink) {
    if (secondResetAt_ && now >= *secondResetAt_) {
        secondResetAt_.reset();
        byteB_ = 255;
        shown_ = {};
        schedule(now);
    }
    if (!pending_)
        return Step::Wait;
    if (claimLink()) {
        pending_ = false;
        return Step::Send;
    }
    if (now - pendingSince_ >= std::chrono::milliseconds(GiveUpMs)) {
        pending_ = false;
        return Step::GivenUp;
    }
    return Step::Wait;
}

} // namespace zarn
