// The logic of the depth reset dialog (CPSetDepthDlg): the operator reads the depth of the top of
// the sonde on the cable and enters it; the logger's depth counter is set to the depth of the
// sonde's reference point below it. The window shows the texts and forwards OK here; the caller
// stores an accepted depth as the depth to set and sends the depth-set frame.
#pragma once

#include <string>
#include <string_view>

namespace zarn {

class DepthResetLogic {
public:
    // feet: the entry is in feet. sondeLengthCm: the selected sonde's length. depthScale: the
    // logger's encoder counts per centimetre (the winch settings).
    DepthResetLogic(bool feet, int sondeLengthCm, double depthScale);

    // What the edit field shows when the dialog opens.
    static constexpr std::string_view InitialEntry = "0.00";

    struct Outcome {
        bool accepted = false;
        double depthMetres = 0.0; // when accepted: the depth to set
        std::string message;      // when refused: shown, the dialog stays open
    };
    // OK with the text of the edit field. Taken only when the whole field (blanks around it
    // aside) is one decimal number, and only when the depth counter can hold the depth.
    [[nodiscard]] Outcome Accept(std::string_view entry) const;

private:
    bool feet_;
    int sondeLengthCm_;
    double depthScale_;
};

} // namespace zarn
