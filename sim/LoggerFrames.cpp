#include "sim/LoggerFrames.h"

#include "acquisition/wire/FrameLayout.h"

#include <algorithm>

namespace zarn::sim::LoggerFrames {
namespace {

void put16(std::vector<std::uint8_t>& f, std::size_t at, std::uint16_t v) {
    f[at] = static_cast<std::uint8_t>(v & 0xFF);
    f[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::vector<std::uint8_t>& f, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        f[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}

void putHeader(std::vector<std::uint8_t>& f, const LoggerHeader& h) {
    f[frame::StatusFlags] = h.flags;
    f[frame::StatusByte1] = h.status1;
    f[frame::StatusByte2] = h.status2;
    put16(f, frame::StatusWord3, h.statusWord);
    put32(f, frame::DepthCount, static_cast<std::uint32_t>(h.depthCount));
    put16(f, frame::SpeedCount, static_cast<std::uint16_t>(h.speedCount));
    f[frame::ValueA] = h.valueA;
    f[frame::ValueB] = h.valueB;
}

} // namespace

void sealFrame(std::vector<std::uint8_t>& f) {
    if (f.size() < 2)
        return;
    const std::size_t at = f.size() - 2;
    put16(f, at, frame::sum16({f.data(), at}));
}

std::vector<std::uint8_t> shortFrame(const LoggerHeader& header, std::uint8_t commStatus) {
    std::vector<std::uint8_t> f(frame::shortframe::Size);
    putHeader(f, header);
    f[frame::shortframe::CommStatus] = commStatus;
    sealFrame(f);
    return f;
}

std::vector<std::uint8_t> statusFrame(const StatusFields& s) {
    namespace st = frame::status;
    std::vector<std::uint8_t> f(st::Size);
    f[st::StatusFlags] = s.flags;
    put16(f, st::EchoWord2, s.echoWord2);
    put16(f, st::EchoWord4, s.echoWord4);
    f[st::EchoByte6] = s.echoByte6;
    f[st::StatusByte1] = s.status1;
    f[st::StatusByte2] = s.status2;
    put16(f, st::StatusWord, s.statusWord);
    put32(f, st::DepthCount, static_cast<std::uint32_t>(s.depthCount));
    put16(f, st::SpeedCount, static_cast<std::uint16_t>(s.speedCount));
    f[st::ValueA] = s.valueA;
    f[st::ValueB] = s.valueB;
    sealFrame(f);
    return f;
}

std::vector<std::uint8_t> fullFrame(const LoggerHeader& header, const SondePart& sonde,
                                    std::uint8_t commStatus) {
    namespace fu = frame::full;
    const std::size_t n = fu::Overhead + sonde.payload.size();
    std::vector<std::uint8_t> f(n);
    putHeader(f, header);
    std::copy(sonde.block.begin(), sonde.block.end(), f.begin() + fu::SondeBlock);
    put16(f, fu::HX, static_cast<std::uint16_t>(sonde.hx));
    put16(f, fu::GX, static_cast<std::uint16_t>(sonde.gx));
    put16(f, fu::HY, static_cast<std::uint16_t>(sonde.hy));
    put16(f, fu::GY, static_cast<std::uint16_t>(sonde.gy));
    put16(f, fu::HZ, static_cast<std::uint16_t>(sonde.hz));
    put16(f, fu::GZ, static_cast<std::uint16_t>(sonde.gz));
    put16(f, fu::PackChecksum,
          frame::sum16({f.data() + fu::SondeBlock, fu::PackChecksum - fu::SondeBlock}));
    std::copy(sonde.payload.begin(), sonde.payload.end(), f.begin() + fu::Payload);
    put16(f, n - fu::VideoChecksumFromEnd, frame::sum16(sonde.payload));
    f[n - fu::CommStatusFromEnd] = commStatus;
    sealFrame(f);
    return f;
}

std::vector<std::uint8_t> usbPacket(std::uint8_t counter, std::span<const std::uint8_t> frame) {
    const std::size_t length = PacketHeaderSize + frame.size() + 1;
    std::vector<std::uint8_t> p(length);
    std::copy(Sync.begin(), Sync.end(), p.begin());
    p[4] = counter;
    p[5] = static_cast<std::uint8_t>(length & 0xFF);
    p[6] = static_cast<std::uint8_t>((length >> 8) & 0xFF);
    std::copy(frame.begin(), frame.end(), p.begin() + PacketHeaderSize);
    p[length - 1] = EndMarker;
    return p;
}

} // namespace zarn::sim::LoggerFrames
