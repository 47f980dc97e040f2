#include "sim/SimulatedDevice.h"

#include "platform/Format.h"
#include "platform/ftd2xx/EepromIdentity.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace zarn::sim {
namespace {

// Fast mode: packets produced for one read at most, so that a fault schedule that swallows
// everything cannot keep a read spinning.
constexpr int MostPacketsPerRead = 4096;
// A frame period never shorter than this, whatever the configuration.
constexpr double LeastPeriod = 1e-4;
// Fast mode: how long the program may take to ask again for a lost video packet.
constexpr auto ReactionTime = std::chrono::milliseconds(250);

FT_HANDLE asHandle(std::uintptr_t id) {
    return reinterpret_cast<FT_HANDLE>(id);
}

} // namespace

SimulatedDevice::SimulatedDevice(const SimulatorSettings& settings)
    : settings_(settings), logger_(settings), origin_(Wall::now()), lastWall_(origin_) {}

double SimulatedDevice::nowLocked() {
    const Wall::time_point w = Wall::now();
    if (!settings_.device.fastMode)
        return std::chrono::duration<double>(w - origin_).count();
    if (!pluggedAt(virtual_))
        virtual_ += std::chrono::duration<double>(w - lastWall_).count();
    lastWall_ = w;
    return virtual_;
}

SimulatedDevice::Wall::time_point SimulatedDevice::wallOf(double modelTime) const {
    return origin_ + std::chrono::duration_cast<Wall::duration>(
                         std::chrono::duration<double>(std::min(modelTime, 1e9)));
}

bool SimulatedDevice::pluggedAt(double t) const {
    const auto& f = settings_.faults;
    for (double at : f.unplugAt)
        if (t >= at && t < at + f.unplugFor)
            return false;
    return true;
}

std::optional<double> SimulatedDevice::nextPlugChange(double t) const {
    std::optional<double> next;
    for (double at : settings_.faults.unplugAt)
        for (double edge : {at, at + settings_.faults.unplugFor})
            if (edge > t && (!next || edge < *next))
                next = edge;
    return next;
}

FT_STATUS SimulatedDevice::checkLocked(FT_HANDLE handle, double now) {
    if (handle_ == 0 || reinterpret_cast<std::uintptr_t>(handle) != handle_)
        return FT_INVALID_HANDLE;
    if (!dead_ && !pluggedAt(now)) {
        dead_ = true;
        discardLocked();
        changed_.notify_all();
    }
    return dead_ ? FT_IO_ERROR : FT_OK;
}

void SimulatedDevice::leaveQueue(std::size_t bytes, std::uint64_t& packets) {
    queueOut_ += bytes;
    while (!packetEnds_.empty() && packetEnds_.front() <= queueOut_) {
        packetEnds_.pop_front();
        ++packets;
    }
}

void SimulatedDevice::purgeLocked() {
    bytesDiscarded_ += received_.size();
    leaveQueue(received_.size(), packetsDiscarded_);
    received_.clear();
}

void SimulatedDevice::discardLocked() {
    purgeLocked();
    if (inFlight_) {
        bytesDiscarded_ += inFlight_->packet.size();
        if (inFlight_->dropped)
            ++packetsDropped_;
        else if (!inFlight_->packet.empty())
            ++packetsDiscarded_;
    }
    inFlight_.reset();
}

FT_STATUS SimulatedDevice::refuseOpen(FT_STATUS status) {
    ++refusedOpens_;
    return status;
}

FT_STATUS SimulatedDevice::openLocked(FT_HANDLE* handle) {
    const double now = nowLocked();
    if (!pluggedAt(now))
        return refuseOpen(FT_DEVICE_NOT_FOUND);
    if (handle_ != 0 && !dead_)
        return refuseOpen(FT_DEVICE_NOT_OPENED); // already open
    ++opens_;
    handle_ = nextHandle_++;
    dead_ = false;
    discardLocked();
    nextStart_ = std::max(nextStart_, now);
    readTimeoutMs_ = writeTimeoutMs_ = 0;
    latencyMs_ = 16;
    *handle = asHandle(handle_);
    return FT_OK;
}

FT_STATUS SimulatedDevice::open(int deviceIndex, FT_HANDLE* handle) {
    if (!handle)
        return FT_INVALID_PARAMETER;
    *handle = nullptr;
    std::lock_guard lock(mutex_);
    if (deviceIndex != 0)
        return refuseOpen(FT_DEVICE_NOT_FOUND);
    return openLocked(handle);
}

FT_STATUS SimulatedDevice::openEx(const char* text, std::uint32_t openBy, FT_HANDLE* handle) {
    if (!handle)
        return FT_INVALID_PARAMETER;
    *handle = nullptr;
    if (!text || (openBy != FT_OPEN_BY_SERIAL_NUMBER && openBy != FT_OPEN_BY_DESCRIPTION))
        return FT_INVALID_PARAMETER;
    const std::string& wanted = openBy == FT_OPEN_BY_SERIAL_NUMBER ? settings_.device.serialNumber
                                                                   : settings_.device.description;
    std::lock_guard lock(mutex_);
    if (std::strncmp(text, wanted.c_str(), wanted.size() + 1) != 0)
        return refuseOpen(FT_DEVICE_NOT_FOUND);
    return openLocked(handle);
}

FT_STATUS SimulatedDevice::close(FT_HANDLE handle) {
    std::lock_guard lock(mutex_);
    if (handle_ == 0 || reinterpret_cast<std::uintptr_t>(handle) != handle_)
        return FT_INVALID_HANDLE;
    handle_ = 0;
    dead_ = false;
    discardLocked();
    changed_.notify_all();
    return FT_OK;
}

void SimulatedDevice::startNext(double start) {
    const bool room = received_.size() < ReceiveCapacity;
    ProducedFrame f = logger_.produce(start, room);
    // A frame the logger made while the chip had no room for it never becomes bytes.
    const bool dropped = f.kind != FrameKind::LostOnLine && f.packet.empty();
    const bool showsGap = lossUnseen_ && !f.packet.empty();
    if (f.kind == FrameKind::LostOnLine)
        lossUnseen_ = true;
    else if (showsGap)
        lossUnseen_ = false;
    inFlight_ = InFlight{std::move(f.packet), start + f.lineSeconds, dropped, showsGap};
    nextStart_ = start + std::max(f.periodSeconds, LeastPeriod);
}

void SimulatedDevice::deliver() {
    const std::vector<std::uint8_t>& p = inFlight_->packet;
    if (inFlight_->dropped || received_.size() + p.size() > ReceiveCapacity) {
        ++packetsDropped_;
    } else if (!p.empty()) {
        received_.insert(received_.end(), p.begin(), p.end());
        queueIn_ += p.size();
        packetEnds_.push_back(queueIn_);
    }
    inFlight_.reset();
}

void SimulatedDevice::produceUntil(double t) {
    for (;;) {
        if (!inFlight_) {
            if (nextStart_ > t)
                return;
            startNext(nextStart_);
        }
        if (inFlight_->arrives > t)
            return;
        deliver();
    }
}

void SimulatedDevice::produceOne() {
    if (!inFlight_)
        startNext(nextStart_);
    virtual_ = std::max(virtual_, inFlight_->arrives);
    const bool showsGap = inFlight_->showsGap;
    deliver();
    if (showsGap)
        holdUntil_ = Wall::now() + ReactionTime;
}

void SimulatedDevice::letWritersIn(std::unique_lock<std::mutex>& lock) {
    changed_.wait(lock, [this] { return writersWaiting_.load() == 0; });
    if (!settings_.device.fastMode)
        return;
    constexpr auto Frame = std::chrono::milliseconds(1);
    constexpr auto Pause = std::chrono::microseconds(100);
    if (Wall::now() - fastModePause_ < Frame)
        return;
    // A timed wait: the lock is given up and the thread sleeps, whatever its priority.
    changed_.wait_for(lock, Pause);
    fastModePause_ = Wall::now();
}

std::uint32_t SimulatedDevice::take(std::uint8_t* to, std::uint32_t wanted) {
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(wanted, received_.size()));
    std::copy_n(received_.begin(), n, to);
    received_.erase(received_.begin(), received_.begin() + n);
    bytesRead_ += n;
    leaveQueue(n, packetsRead_);
    return n;
}

FT_STATUS SimulatedDevice::read(FT_HANDLE handle, void* buffer, std::uint32_t wanted,
                                std::uint32_t* received) {
    if (received)
        *received = 0;
    std::unique_lock lock(mutex_);
    letWritersIn(lock);
    double now = nowLocked();
    if (const FT_STATUS s = checkLocked(handle, now); s != FT_OK)
        return s;
    if (!buffer || !received)
        return FT_INVALID_PARAMETER;
    if (wanted == 0)
        return FT_OK;
    auto* to = static_cast<std::uint8_t*>(buffer);
    const std::uintptr_t mine = handle_;
    const Wall::time_point start = Wall::now();
    constexpr Wall::time_point Never = Wall::time_point::max();
    const Wall::time_point deadline =
        readTimeoutMs_ ? start + std::chrono::milliseconds(readTimeoutMs_) : Never;
    Wall::time_point firstBytes = Never;
    for (;;) {
        if (settings_.device.fastMode) {
            for (int i = 0; i < MostPacketsPerRead && received_.size() < wanted && !holding();
                 ++i) {
                produceOne();
                now = nowLocked();
                if (!pluggedAt(now))
                    break;
            }
        } else {
            produceUntil(now);
        }
        if (const FT_STATUS s = checkLocked(handle, now); s != FT_OK)
            return s;
        const Wall::time_point w = Wall::now();
        if (received_.size() >= wanted) {
            *received = take(to, wanted);
            return FT_OK;
        }
        const auto latency = std::chrono::milliseconds(latencyMs_);
        if (!received_.empty() && firstBytes == Never)
            firstBytes = w;
        const Wall::time_point latencyEnd = firstBytes == Never ? Never : firstBytes + latency;
        if (w >= latencyEnd || w >= deadline) {
            *received = take(to, wanted);
            return FT_OK;
        }
        // Wait for the next packet, the latency timer, the timeout or a change of the cable.
        Wall::time_point wake = std::min(deadline, latencyEnd);
        if (!settings_.device.fastMode)
            wake = std::min(wake, wallOf(inFlight_ ? inFlight_->arrives : nextStart_));
        if (const auto change = nextPlugChange(now); change && !settings_.device.fastMode)
            wake = std::min(wake, wallOf(*change));
        if (settings_.device.fastMode)
            wake = std::min(wake, w + std::chrono::milliseconds(1));
        changed_.wait_until(lock, wake);
        if (handle_ != mine)
            return FT_INVALID_HANDLE; // closed while waiting
        now = nowLocked();
    }
}

FT_STATUS SimulatedDevice::write(FT_HANDLE handle, const void* buffer, std::uint32_t length,
                                 std::uint32_t* written) {
    if (written)
        *written = 0;
    ++writersWaiting_;
    std::lock_guard lock(mutex_);
    --writersWaiting_;
    changed_.notify_all(); // a reader waiting for this write to pass goes on once it has
    const double now = nowLocked();
    if (const FT_STATUS s = checkLocked(handle, now); s != FT_OK)
        return s;
    if (!buffer || !written)
        return FT_INVALID_PARAMETER;
    logger_.receive({static_cast<const std::uint8_t*>(buffer), length}, now);
    if (logger_.resendWaiting())
        holdUntil_ = {}; // the program asked again
    *written = length;
    changed_.notify_all();
    return FT_OK;
}

FT_STATUS SimulatedDevice::resetDevice(FT_HANDLE handle) {
    return purge(handle, FT_PURGE_RX | FT_PURGE_TX);
}

FT_STATUS SimulatedDevice::purge(FT_HANDLE handle, std::uint32_t which) {
    std::lock_guard lock(mutex_);
    if (const FT_STATUS s = checkLocked(handle, nowLocked()); s != FT_OK)
        return s;
    if (which & FT_PURGE_RX)
        purgeLocked();
    return FT_OK;
}

FT_STATUS SimulatedDevice::setTimeouts(FT_HANDLE handle, std::uint32_t readMs,
                                       std::uint32_t writeMs) {
    std::lock_guard lock(mutex_);
    if (const FT_STATUS s = checkLocked(handle, nowLocked()); s != FT_OK)
        return s;
    readTimeoutMs_ = readMs;
    writeTimeoutMs_ = writeMs;
    return FT_OK;
}

FT_STATUS SimulatedDevice::getQueueStatus(FT_HANDLE handle, std::uint32_t* received) {
    if (received)
        *received = 0;
    std::unique_lock lock(mutex_);
    letWritersIn(lock);
    const double now = nowLocked();
    if (const FT_STATUS s = checkLocked(handle, now); s != FT_OK)
        return s;
    if (!received)
        return FT_INVALID_PARAMETER;
    if (settings_.device.fastMode) {
        if (received_.empty() && !holding())
            produceOne();
    } else {
        produceUntil(now);
    }
    if (const FT_STATUS s = checkLocked(handle, nowLocked()); s != FT_OK)
        return s;
    *received = static_cast<std::uint32_t>(received_.size());
    return FT_OK;
}

FT_STATUS SimulatedDevice::getStatus(FT_HANDLE handle, std::uint32_t* received,
                                     std::uint32_t* toSend, std::uint32_t* events) {
    if (toSend)
        *toSend = 0; // writes reach the logger at once
    if (events)
        *events = 0;
    return getQueueStatus(handle, received);
}

FT_STATUS SimulatedDevice::setBreak(FT_HANDLE handle, bool) {
    std::lock_guard lock(mutex_);
    return checkLocked(handle, nowLocked());
}

FT_STATUS SimulatedDevice::eeRead(FT_HANDLE handle, FT_EEPROM_RECORD* record) {
    std::lock_guard lock(mutex_);
    if (const FT_STATUS s = checkLocked(handle, nowLocked()); s != FT_OK)
        return s;
    const DeviceSettings& d = settings_.device;
    const EepromIdentity identity{d.vendorId,     d.productId,
                                  d.manufacturer, d.manufacturer.substr(0, 2),
                                  d.description,  d.serialNumber};
    return identity.writeTo(record);
}

FT_STATUS SimulatedDevice::eeUaRead(FT_HANDLE handle, unsigned char* buffer, std::uint32_t size,
                                    std::uint32_t* read) {
    if (read)
        *read = 0;
    std::lock_guard lock(mutex_);
    if (const FT_STATUS s = checkLocked(handle, nowLocked()); s != FT_OK)
        return s;
    if (!buffer || !read)
        return FT_INVALID_PARAMETER;
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(size, UserAreaSize));
    std::copy_n(userArea_.begin(), n, buffer);
    *read = n;
    return FT_OK;
}

FT_STATUS SimulatedDevice::eeUaWrite(FT_HANDLE handle, const unsigned char* buffer,
                                     std::uint32_t size) {
    std::lock_guard lock(mutex_);
    if (const FT_STATUS s = checkLocked(handle, nowLocked()); s != FT_OK)
        return s;
    if (!buffer || size > UserAreaSize)
        return FT_INVALID_PARAMETER;
    std::copy_n(buffer, size, userArea_.begin());
    return FT_OK;
}

FT_STATUS SimulatedDevice::eeUaSize(FT_HANDLE handle, std::uint32_t* size) {
    if (size)
        *size = 0;
    std::lock_guard lock(mutex_);
    if (const FT_STATUS s = checkLocked(handle, nowLocked()); s != FT_OK)
        return s;
    if (!size)
        return FT_INVALID_PARAMETER;
    *size = UserAreaSize;
    return FT_OK;
}

FT_STATUS SimulatedDevice::getLatencyTimer(FT_HANDLE handle, unsigned char* milliseconds) {
    std::lock_guard lock(mutex_);
    if (const FT_STATUS s = checkLocked(handle, nowLocked()); s != FT_OK)
        return s;
    if (!milliseconds)
        return FT_INVALID_PARAMETER;
    *milliseconds = latencyMs_;
    return FT_OK;
}

FT_STATUS SimulatedDevice::setLatencyTimer(FT_HANDLE handle, unsigned char milliseconds) {
    std::lock_guard lock(mutex_);
    if (const FT_STATUS s = checkLocked(handle, nowLocked()); s != FT_OK)
        return s;
    if (milliseconds == 0)
        return FT_INVALID_PARAMETER;
    latencyMs_ = milliseconds;
    return FT_OK;
}

double SimulatedDevice::modelTime() {
    std::lock_guard lock(mutex_);
    return nowLocked();
}

void SimulatedDevice::inspect(const std::function<void(const Logger&, double now)>& look) {
    std::lock_guard lock(mutex_);
    look(logger_, nowLocked());
}

std::string SimulatedDevice::report() {
    std::lock_guard lock(mutex_);
    const double now = nowLocked();
    const LoggerCounts c = logger_.counts();
    const FaultCounts& f = logger_.faults().counts();
    std::uint64_t unplugs = 0;
    for (double at : settings_.faults.unplugAt)
        unplugs += at <= now;
    using U = unsigned long long;
    std::string text;
    const auto count = [&text](const char* key, std::uint64_t value) {
        text += format("%s=%llu\n", key, U(value));
    };
    text += "[Logger]\n";
    count("Packets", logger_.packetsSent());
    count("StatusFrames", c.statusFrames);
    count("ShortFrames", c.shortFrames);
    count("FullFrames", c.fullFrames);
    count("VideoPackets", c.videoPackets);
    count("ResentVideoPackets", c.resentVideoPackets);
    text += "[Faults]\n";
    count("LostBytes", f.lostBytes);
    count("FlippedBits", f.flippedBits);
    count("CutPackets", f.cutPackets);
    count("WrongChecksums", f.wrongChecksums);
    count("WrongPackChecksums", f.wrongPackChecksums);
    count("WrongVideoChecksums", f.wrongVideoChecksums);
    count("LostVideoPackets", f.lostVideoPackets);
    text += "LostVideoPacketNumbers=";
    for (std::size_t i = 0; i < f.lostVideoPacketNumbers.size(); ++i)
        text += format(i ? ", %llu" : "%llu", U(f.lostVideoPacketNumbers[i]));
    text += "\n";
    count("Unplugs", unplugs);
    text += "[Chip]\n";
    text += format("ModelTime=%.3f\n", now);
    count("Opens", opens_);
    count("RefusedOpens", refusedOpens_);
    count("PacketsRead", packetsRead_);
    count("PacketsQueued", packetEnds_.size());
    const bool onItsWay = inFlight_ && !inFlight_->dropped && !inFlight_->packet.empty();
    count("PacketsInFlight", onItsWay ? 1 : 0);
    count("PacketsDiscarded", packetsDiscarded_);
    count("PacketsDropped", packetsDropped_);
    count("BytesRead", bytesRead_);
    count("BytesQueued", received_.size());
    count("BytesDiscarded", bytesDiscarded_);
    return text;
}

} // namespace zarn::sim
