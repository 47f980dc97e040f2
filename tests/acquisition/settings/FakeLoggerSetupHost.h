// A logger setup host over a plain configuration and a scripted logger: orders are sent only
// when the test says the link is ready, and the logger echoes what was sent unless told to
// echo something else.
#pragma once

#include "acquisition/link/CommandFrames.h"
#include "acquisition/settings/LoggerSetupHost.h"

#include <algorithm>
#include <vector>

namespace zarn::test {

class FakeLoggerSetupHost : public LoggerSetupHost {
public:
    Configuration config;
    SetupRunState state;
    LoggerReadBack logger;
    bool linkReady = true;
    bool busy = false;
    int saves = 0;
    std::vector<SetupOrder> sentOrders;
    std::optional<WinchFrameBytes> winchFrame;
    std::optional<DownholeFrameBytes> downholeFrame;
    // The logger applies what it receives (its echo follows the frame sent).
    bool echoes = true;

    Configuration configuration() const override { return config; }
    bool editConfiguration(const std::function<void(Configuration&)>& edit) override {
        edit(config);
        ++saves;
        return true;
    }
    bool claimLinkForCommand() override { return linkReady && !busy; }
    bool frameInProgress() const override { return busy; }
    bool send(SetupOrder order) override {
        sentOrders.push_back(order);
        if (order == SetupOrder::WinchSettings) {
            const std::optional<CommandFrame> f = CommandFrames::F1(config.logger, config.program);
            if (!f)
                return false;
            WinchFrameBytes b{};
            std::copy_n(f->bytes.begin(), b.size(), b.begin());
            winchFrame = b;
            if (echoes) {
                logger.echoWord2 = static_cast<std::uint16_t>(b[2] | (b[3] << 8));
                logger.echoWord4 = static_cast<std::uint16_t>(b[4] | (b[5] << 8));
                logger.statusFlags = static_cast<std::uint8_t>(b[1] & 0x30);
            }
        } else if (order == SetupOrder::DownholeSettings) {
            const CommandFrame f = CommandFrames::F3(config.logger);
            downholeFrame = DownholeFrameBytes{f.bytes[0], f.bytes[1], f.bytes[2], f.bytes[3]};
            if (echoes) {
                logger.upholeGain = f.bytes[1];
                logger.downholeEnergy = f.bytes[2];
            }
        }
        return true;
    }
    std::optional<WinchFrameBytes> sentWinchFrame() const override { return winchFrame; }
    std::optional<DownholeFrameBytes> sentDownholeFrame() const override { return downholeFrame; }
    LoggerReadBack readBack() const override { return logger; }
    SetupRunState runState() const override { return state; }

    size_t sendsOf(SetupOrder order) const {
        return static_cast<size_t>(std::count(sentOrders.begin(), sentOrders.end(), order));
    }
};

} // namespace zarn::test
