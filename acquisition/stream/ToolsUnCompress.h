// The video decoder: turns the compressed video payload of a full data frame into rows of 32-bit
// pixels, (R << 16) | (G << 8) | B, each channel clamped to 0..255.
//
// Mode 8 (two-row DPCM with variable-length codes) decodes into two rows of W pixels, mode 16
// (8 x 8 luma and 4 x 4 chroma transform blocks) into eight rows. Calling order per payload:
//   mode 8:  SelectDpcmParameters, InitBitReader, DecodeDpcmPair
//   mode 16: InitBitReader, SelectDctParameters, BuildDctTables, DecodeDctStrip
//
// The object owns every work buffer; decoding allocates nothing. One object is used by one thread
// at a time (the reader thread live, the playback or export thread in replay).
#pragma once

#include "acquisition/stream/PayloadBitReader.h"
#include "acquisition/stream/TransformKernels.h"
#include "acquisition/wire/CompressionTables.h"
#include "acquisition/wire/ImageRows.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zarn {

class CToolsUnCompress {
public:
    static constexpr int kDpcmRows = Mode8Rows;
    static constexpr int kDctRows = Mode16Rows;
    static constexpr const char* kUnsupportedModeText = "Sorry, Unsupported Compression Mode!";

    // Means over the pixels of the last mode-16 strip; Cb and Cr are centred on 0. Read by the
    // colour calibration page.
    struct ColourAverages {
        double luma = 0;
        double cb = 0;
        double cr = 0;
        double redTerm = 0;   // 1.402 Cr
        double greenTerm = 0; // 0.34414 Cb + 0.71414 Cr
        double blueTerm = 0;  // 1.772 Cb
    };

    // `path` limits the vector instructions the transforms use (the widest the processor offers by
    // default); every path decodes to the same pixels.
    explicit CToolsUnCompress(kernels::VectorPath path = kernels::widestVectorPath());
    virtual ~CToolsUnCompress() = default;
    kernels::VectorPath GetVectorPath() const { return path_; }

    // Bit reader (PayloadBitReader): most significant bit of each byte first; zero bits past the
    // end of the payload, which is never read beyond.
    void InitBitReader(std::span<const std::uint8_t> payload);
    // The next n bits (0 <= n <= 32) as an unsigned number, first bit read most significant.
    std::uint32_t ReadBits(int n);

    // Parameters from the compression parameter (1 to 5). Outside that range the message
    // "Sorry, Unsupported Compression Mode!" is shown (without blocking, and only once until a
    // valid parameter arrives again), false is returned and the previous parameters stay in
    // force. Before any valid parameter, those of parameter 1 are in force.
    [[nodiscard]] bool SelectDpcmParameters(int parameter);
    [[nodiscard]] bool SelectDctParameters(int parameter);
    // Builds the dequantisation tables of the selected mode-16 parameters (kept while the
    // parameter does not change).
    void BuildDctTables();

    // Decodes one mode-8 payload: row 0 at output[0 .. W-1], row 1 at output[W .. 2W-1].
    // Returns false (and writes nothing) when W < 1 or the output holds fewer than 2W pixels.
    [[nodiscard]] bool DecodeDpcmPair(std::span<std::uint32_t> output, int width);
    // Decodes one mode-16 payload: row r at output[r*W .. r*W + W-1]; updates the colour
    // averages. Returns false (and writes nothing) when W < 1 or the output holds fewer than 8W.
    [[nodiscard]] bool DecodeDctStrip(std::span<std::uint32_t> output, int width);

    // The shutter factor k of the measurement record: mode-16 colours are multiplied by it.
    void SetShutterFactor(double factor) { shutterFactor_ = factor; }
    double ShutterFactor() const { return shutterFactor_; }

    const ColourAverages& GetColourAverages() const { return averages_; }
    int DpcmParameter() const { return dpcmParameter_; }
    int DctParameter() const { return dctParameter_; }
    // The prescaled luma table (row-major) and the chroma table last built.
    const std::array<double, 64>& LumaTable() const { return lumaTable_; }
    const std::array<double, 16>& ChromaTable() const { return chromaTable_; }

protected:
    // One mode-8 symbol: a literal code or a delta to the prediction.
    struct Symbol {
        bool literal;
        int value;
    };
    Symbol DecodeSymbol(int literalBits);

private:
    void ReportUnsupported();
    void DecodeLumaBlock(PayloadBitReader& in, std::uint8_t* samples);
    void DecodeChromaBlock(PayloadBitReader& in, std::int16_t* samples);
    void ConvertBlockColumn(std::uint32_t* output, int width, int columns);

    PayloadBitReader reader_;

    int dpcmParameter_ = compression::kFirstParameter;
    compression::DpcmParameters dpcm_;
    bool longCodeSet_ = false;
    std::array<std::uint8_t, 6> codeEntries_{};

    int dctParameter_ = compression::kFirstParameter;
    compression::DctParameters dct_;
    int tablesParameter_ = 0; // parameter the tables were built for; 0 = none yet
    std::array<double, 64> lumaTable_{};
    std::array<double, 16> chromaTable_{};

    double shutterFactor_ = 1.0;
    ColourAverages averages_;
    bool unsupportedShown_ = false;

    kernels::VectorPath path_;

    // Work blocks of one block column. The luma coefficients are all zero between blocks.
    std::array<double, 64> coefficients_{};
    std::array<double, 64> work_{};
    std::array<std::uint8_t, 64> lumaSamples_{};
    std::array<std::int16_t, 16> cbSamples_{};
    std::array<std::int16_t, 16> crSamples_{};
    std::int64_t sumLuma_ = 0;
    std::int64_t sumCb_ = 0;
    std::int64_t sumCr_ = 0;
};

} // namespace zarn
