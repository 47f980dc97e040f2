// The measurement record and the header of a log as JSON objects, for the commands that print
// what a log or a capture holds. Keys are the names the program gives the fields; objects keep
// the order in which the fields are listed (and, for the header file, the order of the file).
// Numbers that are not finite become null.
#pragma once

#include "acquisition/logfiles/HeaderInfo.h"
#include "acquisition/stream/MeasurementRecord.h"
#include "platform/ProfileDocument.h"

#include <nlohmann/json.hpp>

#include <iosfwd>

namespace zarn::cli {

using Json = nlohmann::ordered_json;

// The fields of one decoded sample: depths (m), speed (m/min), direction, elapsed time (s and
// text), logger values, temperatures (°C), gamma, the raw orientation values and their results
// (under their own names: GX ... HZ, Roll, Inclination, Azimuth, ...), communication and status
// bytes, image mode, payload length, view mode, shutter factor, the sonde's DSP error bytes, and
// the video packet index and picture number.
Json recordJson(const MeasurementRecord& record);

// A header: every section of the file with its keys and values as they are written
// ({"Sections": {section: {key: value}}}, file order; a section or key repeated in another
// letter case counts once, as the program reads it), and the values the program reads from it
// ({"HeaderInfo": {...}}: data file count, depth and time range, the flags computed on reading,
// and the values the replay interprets the records with).
Json headerJson(const ProfileDocument& document, const HeaderInfo& info);

// Adds the members of fields to the end of object, in their order.
void appendFields(Json& object, const Json& fields);

// One JSON object on one line. Texts that are not valid UTF-8 (a damaged file) are printed with
// replacement characters instead of failing.
void writeJsonLine(std::ostream& out, const Json& object);

} // namespace zarn::cli
