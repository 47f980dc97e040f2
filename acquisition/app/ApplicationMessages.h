// The application message table: the validation and confirmation texts the application object
// keeps for the settings pages, in its order and spelled as the program shows them. The pages
// take a text by its name here, so a text exists once.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace zarn::appmessage {

inline constexpr std::array<std::string_view, 22> Table = {
    "Bad entered value (90..%dV)",
    "Bad entered value\nCorrect value is : 0 to 359.99",
    "Warning : Maximum scale fixed at 16383 CPS !!!",
    "Warning : Minimum scale fixed at %d CPS !!!",
    "Bad entry format",
    "Warning : Minimum 0",
    "Bad sonde file",
    "Bad entered value\nCorrect value is : 0.01 to 9.99",
    "The maximum of storable sonde is reached.",
    "A sonde with the same serial number is already stored in dbase. Overwrite?",
    "Do you want remove this sonde from dbase ?",
    "Sonde removed.\nDo not forget to select another sonde",
    "This is a critical parameter.\nAre you sure to want to mofify it ?",
    "Do you save now the image Offset parameter ?",
    "Bad Winch Direction !!!",
    "Wait last valid depth...",
    "No sondes selected ...",
    "Bad entered value.\n(Min 10Hz .. Max 60Hz)",
    "Bad entered value.\n(Min 1 .. Max 20)",
    "Bad entered value.\n(Min 0.01 sec .. Max 2 sec)",
    "Not enough data in file!!!",
    "Delta between beginning and fine depth too small, not enough data in file !!!",
};

inline constexpr std::string_view BadEntryFormat = Table[4];

} // namespace zarn::appmessage
