// What the main window shows that follows from the program's state alone: the compass labels
// above the image strip, the menu commands a state allows, and the status bar's pane edges.
#pragma once

#include <array>
#include <string_view>

namespace zarn {

// The eight compass labels left to right, placed at these percentages of the window's width.
inline constexpr std::array<int, 8> CompassLabelPercent = {0, 12, 24, 36, 52, 64, 76, 88};
using CompassLabels = std::array<std::string_view, 8>;
// Orientation mode 0 none, 1 vertical (north at the left), 2 horizontal (up at the left); an
// unknown mode shows as none.
CompassLabels compassLabelsOf(int orientationMode);

// The menu commands the periodic refresh enables. While the panel shows the sonde on, a replay
// and the exports are refused and the depth unit stays; a new log needs the sonde on and no
// recording running.
struct MainMenuState {
    bool openAndPlay = true;
    bool picture = true;
    bool lasFile = true;
    bool imperialDepth = true;
    bool newLog = false;
    bool operator==(const MainMenuState&) const = default;
};
MainMenuState mainMenuStateOf(bool sondeShownOn, bool recording);

// The right edges of the status bar's eight panes for a client width: width minus 490, 330, 170,
// 75, 55, 35 and 15 pixels, and 0 for the eighth, which is never used. An edge never falls left
// of the one before it, so a narrow window keeps every pane (some zero wide).
inline constexpr int StatusPaneCount = 8;
std::array<int, StatusPaneCount> statusPaneEdges(int clientWidth);

// The menu commands' titles, as the menu shows them.
namespace MenuText {
inline constexpr std::string_view OpenAndPlay = "&Open and play";
inline constexpr std::string_view NewLog = "&New log.";
inline constexpr std::string_view Picture = "Picture";
inline constexpr std::string_view LasFile = "&LAS File";
inline constexpr std::string_view Exit = "&Exit";
inline constexpr std::string_view CameraControl = "&Camera Control";
inline constexpr std::string_view LoggerSetup = "&Logger Setup";
inline constexpr std::string_view DeviationData = "&Deviation Data";
inline constexpr std::string_view ImperialDepth = "&Imperial Depth";
inline constexpr std::string_view About = "&About software...";
} // namespace MenuText

// The main window's refusals and questions.
namespace MainWindowText {
inline constexpr std::string_view ReplayRefused =
    "Sonde must be switched Off before entering in Replay Mode.";
inline constexpr std::string_view ExportRefused = "Sonde must be switched Off before export file.";
inline constexpr std::string_view ReplaceLog = "Same file name exist, do you want replace this ?";
inline constexpr std::string_view CloseRefused =
    "Sonde must be switched off before leaving program.";
inline constexpr std::string_view CloseQuestion =
    "The sonde is probably powered on. Do you want to close the application ?";
inline constexpr std::string_view SecondInstance =
    "A preceding version of the program was detected, please await the end of the process.  Or "
    "employ the task manager to finish this process.";
inline constexpr std::string_view ProductName = "ZARN Acquisition software";
inline constexpr std::string_view Version = "2.10";
} // namespace MainWindowText

} // namespace zarn
