// The grid file of a LAS export: the log resampled onto its depth grid, one fixed 168-byte record
// per grid depth (21 doubles in this machine's order, little-endian), so that the writing pass
// can read any record by its index, as the sensor alignment needs, whatever the length of the
// log. The file lives in a per-user folder under a name of its own, is written through a buffer
// of whole records and read through a few blocks of records; it is removed when the object goes.
//
// The records of a grid that fits in a memory budget (64 MB by default: some 400 000 grid
// depths, 4 km at 1 cm) stay in memory, in blocks of records, and the file stays empty: writing
// them out and reading them back would cost the export more than reading the log. A longer grid
// goes to the file as it grows past the budget.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zarn {

// A missing value, in the grid file and in the LAS file ("NULL").
inline constexpr double LasNull = -9999.25;

struct LasGridRecord {
    double cameraDepth = LasNull;    // m: the grid depth
    double gridDepth = LasNull;      // m: the same
    double deviationDepth = LasNull; // m: where the deviation sensor was
    double gammaDepth = LasNull;     // m: where the gamma sensor was
    double unused1 = 0;
    double unused2 = 0;
    double speed = LasNull; // m/min
    double gamma = LasNull; // counts per second, with the gamma coefficient
    double azimuth = LasNull;
    double inclination = LasNull;
    double roll = LasNull;
    double magneticRoll = LasNull;
    double totalGravity = LasNull;
    double hgDelta = LasNull;
    double totalMagnetic = LasNull;
    double HX = LasNull, HY = LasNull, HZ = LasNull;
    double GX = LasNull, GY = LasNull, GZ = LasNull;
};
static_assert(sizeof(LasGridRecord) == 168);
static_assert(std::endian::native == std::endian::little,
              "the grid file holds little-endian doubles");

class LasGridFile {
public:
    static constexpr const char* CreateErrorText =
        "Trouble for create tempory file .\n Aborded ...";
    static constexpr const char* OpenErrorText = "Trouble for open tempory file .\n Aborded ...";

    static constexpr std::size_t DefaultMemoryBytes = std::size_t{64} << 20;

    explicit LasGridFile(std::size_t memoryBytes = DefaultMemoryBytes);
    ~LasGridFile();
    LasGridFile(const LasGridFile&) = delete;
    LasGridFile& operator=(const LasGridFile&) = delete;

    // Creates the file in folder (created when missing) under a new name; false when it cannot.
    [[nodiscard]] bool create(const std::filesystem::path& folder);
    // Appends one record; false when the write failed.
    [[nodiscard]] bool append(const LasGridRecord& record);
    // Writes what is buffered; false when the write failed. Reading may begin.
    [[nodiscard]] bool finish();
    long long count() const { return count_; }

    // The record at index (0 to count - 1), or nothing when index is outside the file or the
    // read failed (failed() then says so). Valid until the next call.
    const LasGridRecord* at(long long index);
    // How the reader walks the file: toward lower indices or higher ones, with cursors up to
    // reach records apart. A block read for the cursor ahead holds the ones behind it too.
    void walk(bool backward, long long reach) {
        backward_ = backward;
        reach_ = std::max(0LL, std::min(reach, BlockRecords / 2));
    }
    bool failed() const { return failed_; }

    // Closes and removes the file.
    void remove();
    const std::filesystem::path& path() const { return path_; }

private:
    static constexpr long long BlockRecords = 2048;
    // A block held in memory: 2 MiB, the size of one large page, so that filling the grid costs
    // one page fault a block instead of one every 4 KiB.
    static constexpr std::size_t HeldBlockBytes = std::size_t{2} << 20;
    static constexpr long long HeldRecords =
        static_cast<long long>(HeldBlockBytes / sizeof(LasGridRecord));
    struct HeldBlockFree {
        void operator()(LasGridRecord* records) const;
    };
    using HeldBlock = std::unique_ptr<LasGridRecord[], HeldBlockFree>;
    static HeldBlock newHeldBlock();
    struct Block {
        long long first = -1;
        long long count = 0;
        unsigned long long used = 0;
        std::vector<LasGridRecord> records;
    };
    bool flush();
    // Writes the records held in memory to the file; from then on the file holds the grid.
    bool spill();

    std::filesystem::path path_;
    int fd_ = -1;
    long long count_ = 0;
    std::vector<LasGridRecord> pending_;
    // The grid while it fits in the budget: blocks of HeldRecords records.
    long long memoryRecords_;
    std::vector<HeldBlock> held_;
    bool spilled_ = false;
    // Three blocks: one per sensor the lines read from.
    Block blocks_[3];
    unsigned long long clock_ = 0;
    bool failed_ = false;
    bool backward_ = false;
    long long reach_ = 0;
};

} // namespace zarn
