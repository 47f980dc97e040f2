#include "acquisition/export/LgxWriter.h"

#include "platform/FileIo.h"
#include "platform/Format.h"
#include "platform/PixelImage.h"
#include "platform/ProfileDocument.h"

#include <cmath>
#include <ctime>

namespace zarn {

namespace fs = std::filesystem;

namespace {

struct Channel {
    const char* title;
    const char* shortTitle;
    const char* unit;
    int offset;
    int sampleType;
};

constexpr Channel Channels[] = {
    {"DEPTH", "DPTH", "MM", 0, 4},
    {"LOG TIME", "TIME", "MILLISECOND", 4, 5},
    {"SHIFT ANGLE", "SHAN", "TENTH DEGREES", 8, 3},
    {"HX", "HX", " ", 10, 2},
    {"GX", "GX", " ", 12, 2},
    {"HY", "HY", " ", 14, 2},
    {"GY", "GY", " ", 16, 2},
    {"HZ", "HZ", " ", 18, 2},
    {"GZ", "GZ", " ", 20, 2},
    {"NATURAL GAMMA", "NGAM", "CPS", 22, 5},
    {"CAMERA TEMPERATURE", "CTEM", "DEGREES CELSIUS X2", 26, 0},
    {"PICTURE", "PIC", "PIXELS", 27, 10},
};

std::string todayText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local))
        return "Invalid DateTime";
    char text[64];
    // The C library's month names: the program runs in the "C" locale.
    if (std::strftime(text, sizeof text, "%d %B %Y", &local) == 0)
        return "Invalid DateTime";
    return text;
}

void put16(std::uint8_t* at, std::int32_t v) {
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* at, std::int32_t v) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
}

std::int32_t millimetresOf(double metres) {
    return saturatedTrunc<std::int32_t>(std::round(metres * 1000.0));
}

} // namespace

LgxWriter::Paths LgxWriter::pathsFor(const fs::path& outputFolder,
                                     const std::string& firstDataFileName, int deviation) {
    const std::string bare = firstDataFileName.substr(
        0, firstDataFileName.size() >= 4 ? firstDataFileName.size() - 4 : 0);
    const char* tag = deviation == 1 ? "_N_" : deviation == 2 ? "_H_" : "_X_";
    Paths paths;
    paths.folder = outputFolder / "LGX";
    paths.description = paths.folder / (bare + tag + "LGX.HED");
    paths.data = paths.folder / (bare + tag + "LGX.lgx");
    paths.recordedName = bare + tag + "LGX.lgx";
    return paths;
}

bool LgxWriter::Open(const Paths& paths, const ExportSource& source, const PictureExportJob& job,
                     int width, std::string& error) {
    paths_ = paths;
    width_ = width;
    grey_ = job.colourMode == CBmpCreator::GreyMode;
    writes_ = width >= SmallestWidth && width <= WidestWidth;
    lines_ = 0;
    std::error_code ec;
    fs::create_directories(paths.folder, ec);
    if (!fs::is_directory(paths.folder, ec)) {
        error = paths.folder.string() + ": the LGX folder cannot be made";
        return false;
    }
    data_ = std::make_unique<PendingFile>(paths.data);
    if (!data_->stream()) {
        error = CreateErrorText;
        data_.reset();
        return false;
    }
    record_.assign(static_cast<std::size_t>(HeadSize + 3 * std::max(width, 0)), 0);

    // The skeleton, then the keys, section by section.
    const HeaderInfo& info = source.info;
    std::string text = "[General]\n\n[WellInfo]\n";
    forEachWellInfoText(info, [&](const std::string& key, const std::string& value) {
        text += key + "=" + value + "\n";
    });
    for (int c = 0; c < 12; ++c)
        text += format("\n[Channel%d]\n", c);
    text += "\n[File1]\n";
    ProfileDocument d = ProfileDocument::parse(text);
    const auto integer = [&](const char* section, const char* key, long long v) {
        d.set(section, key, format("%lld", v));
    };
    integer("General", "DataFiles", 1);
    d.set("General", "Version", "101");
    d.set("General", "Viewer", "HIRAT_LGX");
    d.set("General", "HorizontalMode", job.deviation == 2 ? "1" : "0");

    const long long intervalMm = static_cast<long long>(std::fabs(job.interval) * 1000.0 + 1e-9);
    const auto from = static_cast<long long>(job.from * 1000.0);
    const auto to = static_cast<long long>(job.to * 1000.0);
    d.set("File1", "FileName", paths.recordedName);
    d.set("File1", "ReferenceUnit", info.LogMode == 10 ? "0" : "2");
    integer("File1", "Mode", info.LogMode);
    integer("File1", "Interval", intervalMm);
    integer("File1", "StartDepth", from);
    integer("File1", "EndDepth", to);
    integer("File1", "StartTime", 0);
    integer("File1", "EndTime", 0);
    integer("File1", "RecLineSize", HeadSize + 3 * width);

    for (int c = 0; c < 12; ++c) {
        const std::string section = format("Channel%d", c);
        const Channel& ch = Channels[c];
        const bool reserved = c == 9 && !info.GammaOnBoard;
        d.set(section, "Title", reserved ? "RESERVED" : ch.title);
        d.set(section, "TitleShort", reserved ? " " : ch.shortTitle);
        d.set(section, "Unit", reserved ? " " : ch.unit);
        integer(section.c_str(), "File", 1);
        integer(section.c_str(), "DataOffset", ch.offset);
        integer(section.c_str(), "SampleType", ch.sampleType);
        integer(section.c_str(), "SampleCount", c == 11 ? width : 1);
    }

    d.set("WellInfo", "DepthUnit", "MM");
    integer("WellInfo", "Startdepth", from);
    integer("WellInfo", "EndDepth", to);
    integer("WellInfo", "StartTime", 0);
    integer("WellInfo", "EndTime", 0);
    integer("WellInfo", "step", intervalMm);
    integer("WellInfo", "Resampling ZARN Tool (S/N)", info.SerialNumber);
    if (info.GammaOnBoard)
        d.set("WellInfo", "Resampling Gamma Offset",
              format("-%#.3f", (info.GammaOffset - info.CameraOffset) / 100.0));
    d.set("WellInfo", "Resampling Camera Offset", "0.000");
    d.set("WellInfo", "Resampling MagneticDeclination", format("%#.2f", info.MagneticDeclination));
    d.set("WellInfo", "Resampling Picture Offset", format("%#.2f", info.ImageOffset));
    integer("WellInfo", "Resampling Picture resolution", width);
    d.set("WellInfo", "Resampling Date", todayText());
    description_ = d.serialize();
    lastDepthMm_ = static_cast<std::int32_t>(to);
    return true;
}

bool LgxWriter::Write(const ExportLine& line, double depth, const std::uint32_t* pixels) {
    if (!data_)
        return false;
    if (!writes_)
        return true; // a width the readers do not take: the description alone
    if (lines_ == 0)
        firstTime_ = line.timeMs;
    std::uint8_t* r = record_.data();
    const std::int32_t depthMm = millimetresOf(depth);
    put32(r + 0, depthMm);
    put32(r + 4, line.timeMs - firstTime_);
    put16(r + 8, saturatedTrunc<std::int16_t>(line.angle * 10.0));
    for (std::size_t i = 0; i < line.raw.size(); ++i)
        put16(r + 10 + 2 * i, line.raw[i]);
    put32(r + 22, line.gamma);
    r[26] = line.temperature;
    std::uint8_t* out = r + HeadSize;
    for (int x = 0; x < width_; ++x, out += 3) {
        const std::uint32_t p = pixels[x];
        if (grey_) {
            const auto g =
                static_cast<std::uint8_t>((pixelRed(p) + pixelGreen(p) + pixelBlue(p)) / 3);
            out[0] = out[1] = out[2] = g;
        } else {
            out[0] = static_cast<std::uint8_t>(pixelRed(p));
            out[1] = static_cast<std::uint8_t>(pixelGreen(p));
            out[2] = static_cast<std::uint8_t>(pixelBlue(p));
        }
    }
    std::ofstream& stream = data_->stream();
    stream.write(reinterpret_cast<const char*>(record_.data()),
                 static_cast<std::streamsize>(record_.size()));
    if (!stream)
        return false;
    ++lines_;
    lastTime_ = line.timeMs;
    lastDepthMm_ = depthMm;
    return true;
}

bool LgxWriter::Finish(std::string& error) {
    if (!data_) {
        error = CreateErrorText;
        return false;
    }
    ProfileDocument d = ProfileDocument::parse(description_);
    const std::string endDepth = format("%d", lastDepthMm_);
    const std::string endTime = format("%d", lines_ > 0 ? lastTime_ - firstTime_ : 0);
    for (const char* section : {"File1", "WellInfo"}) {
        d.set(section, "EndDepth", endDepth);
        d.set(section, "EndTime", endTime);
    }
    PendingFile description(paths_.description);
    description.stream() << d.serialize();
    std::string why;
    if (!data_->commit(&why)) {
        error = paths_.data.string() + ": " + why;
        data_.reset();
        return false;
    }
    data_.reset();
    if (!description.commit(&why)) {
        error = paths_.description.string() + ": " + why;
        return false;
    }
    return true;
}

void LgxWriter::Abandon() {
    if (data_)
        data_->discard();
    data_.reset();
}

} // namespace zarn
