// A LAS 2.0 file read back by the tests, as a reader of the standard takes it: sections by their
// "~" letter, header lines as MNEM.UNIT VALUE : DESCRIPTION, the data as blank-separated numbers
// (rows of as many numbers as the curve section names).
#pragma once

#include "platform/Format.h"

#include <cctype>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace zarn::test {

struct LasLine {
    std::string mnemonic; // before the first ".", trimmed
    std::string unit;     // from the "." to the first blank
    std::string value;    // from there to the last ":", trimmed
    std::string raw;      // the whole line
};

struct ReadLas {
    std::vector<LasLine> version, well, curves;
    std::vector<std::vector<double>> rows;
    std::string problem; // what did not read

    const LasLine* wellLine(const std::string& mnemonic) const {
        for (const LasLine& line : well)
            if (line.mnemonic == mnemonic)
                return &line;
        return nullptr;
    }
    double wellValue(const std::string& mnemonic) const {
        const LasLine* line = wellLine(mnemonic);
        return line ? parseDouble(line->value) : -1e300;
    }
    std::string versionValue(const std::string& mnemonic) const {
        for (const LasLine& line : version)
            if (line.mnemonic == mnemonic)
                return line.value;
        return {};
    }
    std::vector<std::string> mnemonics() const {
        std::vector<std::string> names;
        for (const LasLine& line : curves)
            names.push_back(line.mnemonic);
        return names;
    }
    // The index of a curve's column; -1 when there is none.
    int column(const std::string& mnemonic) const {
        for (std::size_t i = 0; i < curves.size(); ++i)
            if (curves[i].mnemonic == mnemonic)
                return static_cast<int>(i);
        return -1;
    }
};

inline LasLine lasLineOf(const std::string& text) {
    LasLine line;
    line.raw = text;
    const std::size_t dot = text.find('.');
    const std::size_t colon = text.rfind(':');
    if (dot == std::string::npos || colon == std::string::npos || colon < dot)
        return line;
    line.mnemonic = std::string(trim(text.substr(0, dot)));
    std::size_t unitEnd = dot + 1;
    while (unitEnd < colon && text[unitEnd] != ' ' && text[unitEnd] != '\t')
        ++unitEnd;
    line.unit = text.substr(dot + 1, unitEnd - dot - 1);
    line.value = std::string(trim(text.substr(unitEnd, colon - unitEnd)));
    return line;
}

inline ReadLas readLas(const std::string& text) {
    ReadLas las;
    std::istringstream in(text);
    std::string line;
    char section = 0;
    std::string data;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (section == 'A') {
            data += line + "\n";
            continue;
        }
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '~') {
            section = line.size() > 1 ? static_cast<char>(std::toupper(line[1])) : 0;
            continue;
        }
        if (section == 'V')
            las.version.push_back(lasLineOf(line));
        else if (section == 'W')
            las.well.push_back(lasLineOf(line));
        else if (section == 'C')
            las.curves.push_back(lasLineOf(line));
    }
    if (section != 'A') {
        las.problem = "no ~A section";
        return las;
    }
    std::istringstream numbers(data);
    std::string word;
    std::vector<double> row;
    while (numbers >> word) {
        std::size_t used = 0;
        double value = 0;
        try {
            value = std::stod(word, &used);
        } catch (...) {
            used = 0;
        }
        if (used != word.size()) {
            las.problem = "not a number in ~A: " + word;
            return las;
        }
        row.push_back(value);
        if (row.size() == las.curves.size()) {
            las.rows.push_back(row);
            row.clear();
        }
    }
    if (!row.empty())
        las.problem = "a data line is cut short";
    return las;
}

} // namespace zarn::test
