// A depth-scaled picture of the rows an engine draws, saved as PNG: attached to the engine's row
// observer for its life, it copies each drawn row out of the image memory into the picture.
#pragma once

#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/engine/DepthScaledStrip.h"

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace zarn::cli {

class StripCapture {
public:
    // The picture's depths and rows per metre; the geometry is the engine's display row.
    StripCapture(AcquisitionEngine& engine, double top, double bottom, double rowsPerMetre);
    ~StripCapture();
    StripCapture(const StripCapture&) = delete;
    StripCapture& operator=(const StripCapture&) = delete;

    bool valid() const { return strip_.valid(); }
    const std::string& error() const { return strip_.error(); }
    int rowsTaken() const;

    // Detaches from the engine, finishes the picture and writes it. False with the reason.
    [[nodiscard]] bool save(const std::filesystem::path& path, int& width, int& height,
                            std::string& error);

private:
    void take(const DrawnRow& row);

    AcquisitionEngine& engine_;
    mutable std::mutex mutex_;
    DepthScaledStrip strip_;
    std::vector<std::uint32_t> row_; // one display row, reused
    bool attached_ = false;
};

} // namespace zarn::cli
