// The document: one borehole's strip (its table of pieces, assembled when a picture is opened),
// the renderer of its bands, the cache of decoded bands and the background loader that decodes
// the bands around the row the view looks at, nearest first, as far as half the cache's budget
// ahead and a quarter behind.
//
// Threads: the user-interface thread owns the document; the loader only reads the table and
// the renderer (which change only while it is stopped and joined) and claims bands in the
// cache. It never shows anything: a picture that fails to decode becomes a band drawn as a
// missing part, with its reason for the status bar.
#pragma once

#include "platform/Progress.h"
#include "viewer/DibDdb.h"
#include "viewer/PieceCache.h"
#include "viewer/StripAssembly.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace lvviewer {

// A band with the strip rows it covers.
struct PlacedBand {
    BandPtr band;
    int entry = 0;
    std::int64_t top = 0; // strip row of the band's first row
    int rows() const { return band ? band->pixels.height() : 0; }
};

class CLVViewerDoc {
public:
    CLVViewerDoc();
    ~CLVViewerDoc();
    CLVViewerDoc(const CLVViewerDoc&) = delete;
    CLVViewerDoc& operator=(const CLVViewerDoc&) = delete;

    // Closes the document open, then assembles the borehole of the file. False, with the
    // message to show, when the file or its borehole cannot be shown; the document then stays
    // closed. The loader starts when it is enabled.
    [[nodiscard]] bool OnOpenDocument(const std::filesystem::path& path, zarn::Progress& progress,
                                      AssemblyFailure* failure);
    // Stops and joins the loader, forgets the table and every band.
    void OnCloseDocument();

    bool loaded() const { return loaded_; }
    const std::vector<StripEntry>& entries() const { return entries_; }
    const Assembly& assembly() const { return assembly_; }
    const StripGeometry& geometry() const { return renderer_->geometry(); }
    const RenderStyle& style() const { return renderer_->style(); }
    std::int64_t totalHeight() const { return totalHeight_; }
    // The top row of the piece opened: where the view starts.
    std::int64_t startRow() const { return startRow_; }

    // The band holding strip row y, decoded now when it is not held (null without a document).
    PlacedBand bandAt(std::int64_t y);
    // Tells the loader where the view is, so that it decodes around it.
    void setFocus(std::int64_t y);

    // Rebuild the pieces' pixels (the loader stopped and restarted as it ran): a reduction
    // (header height and label sizes follow it), a tick step, label size, unit or colour.
    void setStyle(const RenderStyle& style);
    void setCacheBudget(std::size_t bytes) { cache_.setBudget(bytes); }

    void setUseLoader(bool on);
    bool useLoader() const { return useLoader_; }
    void startLoader();
    void stopLoader();
    bool loaderAlive() const { return alive_.load(); }
    // Waits until the loader has nothing left to decode around the focus (for tests and the
    // benchmark); false when it is not running.
    bool waitUntilLoaderIdle();

    PieceCache& cache() { return cache_; }

private:
    PlacedBand decodeBand(BandKey key, std::int64_t top);
    Band renderBandOf(BandKey key, PictureRowSource& source) const;
    // The next band the loader decodes, and whether it lies ahead of the focus.
    std::optional<std::pair<BandKey, bool>> nextLoaderBand(std::int64_t focus) const;
    void loaderMain();
    void rebuild();

    Assembly assembly_;
    std::vector<StripEntry> entries_;
    std::unique_ptr<CDibDdb> renderer_;
    PieceCache cache_;
    PictureRowSource source_; // the window thread's
    std::int64_t totalHeight_ = 0;
    std::int64_t startRow_ = 0;
    bool loaded_ = false;
    bool useLoader_ = true;

    std::thread loader_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> alive_{false};
    std::atomic<std::int64_t> focus_{0};
    std::mutex loaderMutex_;
    std::condition_variable loaderWake_;
    bool idle_ = false;          // the loader found nothing to decode (under loaderMutex_)
    std::int64_t idleFocus_ = 0; // at this focus
    std::condition_variable loaderIdle_;
};

// Strip rows read in order through the bands that hold them, each band decoded when it is not
// held and kept while the rows read lie in it (the screen and the printed pages both read so).
class StripRows {
public:
    explicit StripRows(CLVViewerDoc& doc) : doc_(doc) {}
    // The pixels of strip row y, strip width wide; null beyond the strip. *taken: whether the
    // row came from another band than the row before.
    const std::uint32_t* row(std::int64_t y, bool* taken = nullptr);
    const PlacedBand& band() const { return band_; }

private:
    CLVViewerDoc& doc_;
    PlacedBand band_;
};

} // namespace lvviewer
