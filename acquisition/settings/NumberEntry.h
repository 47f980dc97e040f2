// The number entry of the settings pages and alarm dialogs (CDialogExt): every number a page
// takes from an edit field and every number it shows goes through here, so that all of them
// read and write the same way.
//
// A field is taken only when the whole of it (blanks around it aside) is one number: "10,25"
// reads as 10.25 (the comma is a decimal point, as the pages have always allowed), "1-2",
// "1.2.3", "12abc" and an integer beyond the 32-bit range are refused. A refused field says why
// and gives no value: the page shows its stored value again and stores and sends nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarn {

class NumberEntry {
public:
    static constexpr const char* NotANumberText = "Please enter a number.";
    static constexpr const char* NoValueText = "No value read";
    // Characters an integer field may hold.
    static constexpr std::size_t MostIntegerCharacters = 19;

    struct Reading {
        std::optional<double> value; // empty: refused
        std::string message;         // why it was refused
        bool taken() const { return value.has_value(); }
    };

    // An integer field: an optional sign and digits. Empty: "No value read"; anything else that
    // is not one integer of the 32-bit range: "Please enter a number.".
    [[nodiscard]] static Reading readInteger(std::string_view text);
    // A decimal field: an optional sign, digits, one decimal point or comma. Empty: "No value
    // read"; anything else that is not one finite number: "Please enter a number.".
    [[nodiscard]] static Reading readDouble(std::string_view text);

    // The integer as the fields show it ("%d"), held in bounds when given.
    static std::string writeInteger(int value, std::optional<int> lower = std::nullopt,
                                    std::optional<int> upper = std::nullopt);
    // The decimal with the given number of decimals; empty for 0 when asked.
    static std::string writeDouble(double value, int decimals, bool emptyForZero = false);
};

} // namespace zarn
