#include "viewer/LVViewerDoc.h"

#include <algorithm>

namespace lvviewer {

CLVViewerDoc::CLVViewerDoc()
    : renderer_(std::make_unique<CDibDdb>(StripGeometry{}, RenderStyle{})) {}

CLVViewerDoc::~CLVViewerDoc() {
    stopLoader();
}

bool CLVViewerDoc::OnOpenDocument(const std::filesystem::path& path, zarn::Progress& progress,
                                  AssemblyFailure* failure) {
    OnCloseDocument();
    const RenderStyle style = renderer_->style();
    std::optional<Assembly> strip =
        assembleStrip(path, textSizesAt(style.zoom).headerHeight, progress, failure);
    if (!strip)
        return false;
    assembly_ = std::move(*strip);
    entries_ = assembly_.entries;
    totalHeight_ = assembly_.totalHeight;
    renderer_ = std::make_unique<CDibDdb>(stripGeometry(assembly_.widest, style.zoom), style);
    startRow_ = entries_[static_cast<std::size_t>(assembly_.startIndex)].top;
    loaded_ = true;
    focus_.store(startRow_);
    // The first screen is decoded here, so that a picture that cannot be shown says so at once.
    (void)bandAt(startRow_);
    if (useLoader_)
        startLoader();
    return true;
}

void CLVViewerDoc::OnCloseDocument() {
    stopLoader();
    cache_.clear();
    source_.reset();
    assembly_ = Assembly{};
    entries_.clear();
    totalHeight_ = 0;
    startRow_ = 0;
    loaded_ = false;
}

Band CLVViewerDoc::renderBandOf(BandKey key, PictureRowSource& source) const {
    const StripEntry& entry = entries_[static_cast<std::size_t>(key.entry)];
    const int first = key.band * BandRows;
    const int rows = std::min(BandRows, entry.height - first);
    Band band;
    band.pixels.resize(renderer_->geometry().stripWidth(), rows);
    std::string reason;
    if (!renderer_->renderBand(entries_, key.entry, first, band.pixels.view(), source, &reason))
        band.failure = entry.path.filename().string() + ": " + reason;
    return band;
}

PlacedBand CLVViewerDoc::decodeBand(BandKey key, std::int64_t top) {
    BandPtr band;
    for (;;) {
        switch (cache_.claim(key, &band)) {
        case PieceCache::Claim::Ready:
            return {band, key.entry, top};
        case PieceCache::Claim::Claimed:
            return {cache_.publish(key, renderBandOf(key, source_)), key.entry, top};
        case PieceCache::Claim::Busy:
            // The loader is decoding it: its result is ours.
            if ((band = cache_.waitFor(key)))
                return {band, key.entry, top};
            break; // abandoned: claim it again
        }
    }
}

PlacedBand CLVViewerDoc::bandAt(std::int64_t y) {
    if (!loaded_ || y < 0 || y >= totalHeight_)
        return {};
    const int index = entryAtRow(entries_, y);
    const StripEntry& entry = entries_[static_cast<std::size_t>(index)];
    const int band = static_cast<int>((y - entry.top) / BandRows);
    return decodeBand({index, band}, entry.top + std::int64_t{band} * BandRows);
}

void CLVViewerDoc::setFocus(std::int64_t y) {
    {
        // Under the loader's lock, so that a loader about to wait sees the change or its wake.
        const std::lock_guard lock(loaderMutex_);
        if (focus_.exchange(y) == y)
            return;
    }
    loaderWake_.notify_all();
}

void CLVViewerDoc::setStyle(const RenderStyle& style) {
    const bool running = alive_.load();
    stopLoader();
    renderer_ = std::make_unique<CDibDdb>(stripGeometry(assembly_.widest, style.zoom), style);
    if (loaded_) {
        totalHeight_ = placeHeader(entries_, renderer_->geometry().headerHeight);
        startRow_ = entries_[static_cast<std::size_t>(assembly_.startIndex)].top;
    }
    cache_.clear();
    if (running && loaded_)
        startLoader();
}

void CLVViewerDoc::setUseLoader(bool on) {
    useLoader_ = on;
    if (!on)
        stopLoader();
    else if (loaded_)
        startLoader();
}

void CLVViewerDoc::startLoader() {
    if (!loaded_ || loader_.joinable())
        return;
    stop_.store(false);
    alive_.store(true);
    {
        const std::lock_guard lock(loaderMutex_);
        idle_ = false;
    }
    loader_ = std::thread([this] { loaderMain(); });
}

void CLVViewerDoc::stopLoader() {
    if (!loader_.joinable())
        return;
    {
        const std::lock_guard lock(loaderMutex_);
        stop_.store(true);
    }
    loaderWake_.notify_all();
    loader_.join();
    alive_.store(false);
}

bool CLVViewerDoc::waitUntilLoaderIdle() {
    std::unique_lock lock(loaderMutex_);
    if (!loader_.joinable())
        return false;
    loaderIdle_.wait(lock, [&] { return stop_.load() || (idle_ && idleFocus_ == focus_.load()); });
    return !stop_.load();
}

std::optional<std::pair<BandKey, bool>> CLVViewerDoc::nextLoaderBand(std::int64_t focus) const {
    // The bands in strip order from the focus: ahead as far as half the budget, behind as far as
    // a quarter, taken alternately so that the nearest come first.
    const std::size_t rowBytes =
        static_cast<std::size_t>(renderer_->geometry().stripWidth()) * sizeof(std::uint32_t);
    const std::size_t budget = cache_.budget();
    const auto limitRows = [&](std::size_t part) {
        return static_cast<std::int64_t>(budget / part / std::max<std::size_t>(1, rowBytes));
    };
    const std::int64_t aheadEnd = std::min(totalHeight_, focus + limitRows(2));
    const std::int64_t behindEnd = std::max<std::int64_t>(0, focus - limitRows(4));
    const auto keyAt = [&](std::int64_t y) {
        const int index = entryAtRow(entries_, y);
        const StripEntry& e = entries_[static_cast<std::size_t>(index)];
        return std::pair{BandKey{index, static_cast<int>((y - e.top) / BandRows)}, e};
    };
    std::int64_t ahead = focus, behind = focus;
    while (ahead < aheadEnd || behind > behindEnd) {
        if (stop_.load())
            return std::nullopt;
        if (ahead < aheadEnd) {
            const auto [key, e] = keyAt(ahead);
            if (!cache_.holds(key))
                return std::pair{key, true};
            ahead = std::min(e.bottom(), e.top + std::int64_t{key.band + 1} * BandRows);
        }
        if (behind > behindEnd) {
            const auto [key, e] = keyAt(behind - 1);
            if (!cache_.holds(key))
                return std::pair{key, false};
            behind = e.top + std::int64_t{key.band} * BandRows;
        }
    }
    return std::nullopt;
}

void CLVViewerDoc::loaderMain() {
    // A source ahead of the focus and one behind, so that each goes on down its pictures.
    PictureRowSource ahead, behind;
    while (!stop_.load()) {
        const std::int64_t focus = focus_.load();
        const std::optional<std::pair<BandKey, bool>> next = nextLoaderBand(focus);
        if (!next) {
            std::unique_lock lock(loaderMutex_);
            idle_ = true;
            idleFocus_ = focus;
            loaderIdle_.notify_all();
            loaderWake_.wait(lock, [&] { return stop_.load() || focus_.load() != focus; });
            idle_ = false;
            continue;
        }
        const BandKey* key = &next->first;
        BandPtr ready;
        if (cache_.claim(*key, &ready) != PieceCache::Claim::Claimed)
            continue;
        Band band = renderBandOf(*key, next->second ? ahead : behind);
        // Stopped meanwhile: the document may be about to change; nothing is stored.
        if (stop_.load()) {
            cache_.abandon(*key);
            break;
        }
        (void)cache_.publish(*key, std::move(band));
    }
    const std::lock_guard lock(loaderMutex_);
    loaderIdle_.notify_all();
}

const std::uint32_t* StripRows::row(std::int64_t y, bool* taken) {
    const bool inBand = band_.band && y >= band_.top && y < band_.top + band_.rows();
    if (taken)
        *taken = !inBand;
    if (!inBand) {
        band_ = doc_.bandAt(y);
        if (!band_.band)
            return nullptr;
    }
    return band_.band->pixels.row(static_cast<int>(y - band_.top));
}

} // namespace lvviewer
