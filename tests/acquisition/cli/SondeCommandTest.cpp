// sonde list | import | select: a fresh settings folder has no sonde; an import stores and
// selects one, a selection by serial number persists for the next start, and every refusal is
// one line.
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"
#include "tests/acquisition/cli/CliTestSupport.h"
#include "tests/support/TestSupport.h"

namespace zarn::test {
namespace {

namespace ExitCode = cli::ExitCode;
using Action = cli::SondeOptions::Action;

CommandRun sonde(Action action, const std::filesystem::path& file = {}, int serial = 0,
                 bool replace = false) {
    cli::SondeOptions options;
    options.action = action;
    options.importFile = file;
    options.serial = serial;
    options.replaceExisting = replace;
    return runCommand(
        [&](std::ostream& out, std::ostream& err) { return cli::runSonde(options, out, err); });
}

std::string importFile(int serial, double imageOffset) {
    return "[Sonde]\r\nSerialNumber=" + std::to_string(serial) +
           "\r\nSondeLenght=170\r\nImageOffset=" + std::to_string(imageOffset) +
           "\r\nCameraOffset=9\r\nDeviationOffset=100\r\nGammaOnBoard=yes\r\nGammaCoef=1.25\r\n"
           "GammaOffset=140\r\n";
}

TEST(SondeCommandTest, ImportSelectAndListOnAFreshSettingsFolder) {
    TempHome home;
    home.write("s417.znv", importFile(417, 12.5));
    home.write("s500.txt", importFile(500, 0));

    CommandRun run = sonde(Action::List);
    ASSERT_EQ(run.code, ExitCode::Ok) << run.err;
    EXPECT_NE(run.out.find("No sonde selected: zarn-cli sonde select SERIAL, or zarn-cli sonde "
                           "import FILE"),
              std::string::npos)
        << run.out;

    run = sonde(Action::Import, home.file("s417.znv"));
    ASSERT_EQ(run.code, ExitCode::Ok) << run.err;
    EXPECT_EQ(run.out, "Sonde 0417 imported into slot 0 and selected\n");
    run = sonde(Action::Import, home.file("s500.txt"));
    ASSERT_EQ(run.code, ExitCode::Ok) << run.err;
    EXPECT_EQ(run.out, "Sonde 0500 imported into slot 1 and selected\n");

    run = sonde(Action::Select, {}, 417);
    ASSERT_EQ(run.code, ExitCode::Ok) << run.err;
    EXPECT_EQ(run.out, "Sonde 0417 selected (slot 0)\n");
    // As the program loads it at its next start.
    const cli::LoadedSettings settings = cli::loadSettings();
    EXPECT_EQ(settings.sondes.selected, 0);
    EXPECT_EQ(settings.sondes.selectedSerial(), 417);
    EXPECT_EQ(settings.sondes.working.imageOffset, 12.5);
    EXPECT_EQ(settings.sondes.working.gammaCoefficient, 1.25);

    run = sonde(Action::List);
    EXPECT_NE(run.out.find("* 0  0417  length 170 cm  image offset 12.5  camera 9 cm  deviation "
                           "100 cm  gamma yes (offset 140 cm, coefficient 1.25)\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("  1  0500  "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  2  -\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("No sonde selected"), std::string::npos) << run.out;
}

TEST(SondeCommandTest, ASelectionTheConfigurationCannotKeepFails) {
    TempHome home;
    home.write("s417.znv", importFile(417, 0));
    ASSERT_EQ(sonde(Action::Import, home.file("s417.znv")).code, ExitCode::Ok);
    // A folder where the configuration file should be: it cannot be written.
    std::filesystem::remove(home.file("LvZARN.cfg"));
    std::filesystem::create_directory(home.file("LvZARN.cfg"));

    const CommandRun run = sonde(Action::Select, {}, 417);
    EXPECT_EQ(run.code, ExitCode::Failure);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(lineCount(run.err), 1u) << run.err;
    EXPECT_NE(run.err.find("The configuration file could not be written"), std::string::npos)
        << run.err;
}

TEST(SondeCommandTest, RefusalsAreOneLine) {
    TempHome home;
    home.write("s417.znv", importFile(417, 0));
    home.write("other.znv", importFile(417, 90));
    home.write("notasonde.znv", "[Something]\r\nA=1\r\n");
    ASSERT_EQ(sonde(Action::Import, home.file("s417.znv")).code, ExitCode::Ok);

    struct Case {
        const char* name;
        CommandRun run;
        int code;
        const char* said;
    };
    const Case cases[] = {
        {"unknown serial", sonde(Action::Select, {}, 999), ExitCode::Failure,
         "no stored sonde has the serial number 999"},
        {"missing file", sonde(Action::Import, home.file("gone.znv")), ExitCode::MissingFile,
         "Bad sonde file"},
        {"not a sonde file", sonde(Action::Import, home.file("notasonde.znv")),
         ExitCode::CorruptInput, "Bad sonde file"},
        {"same serial without --replace", sonde(Action::Import, home.file("other.znv")),
         ExitCode::Failure, "already stored in dbase. Overwrite? (No)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.run.code, c.code);
        EXPECT_EQ(c.run.out, "");
        EXPECT_EQ(lineCount(c.run.err), 1u) << c.run.err;
        EXPECT_NE(c.run.err.find(c.said), std::string::npos) << c.run.err;
    }
    EXPECT_EQ(cli::loadSettings().sondes.working.imageOffset, 0.0);
    // With --replace the stored sonde is overwritten in its slot.
    const CommandRun replaced = sonde(Action::Import, home.file("other.znv"), 0, true);
    ASSERT_EQ(replaced.code, ExitCode::Ok) << replaced.err;
    EXPECT_EQ(replaced.out, "Sonde 0417 imported into slot 0 and selected\n");
    EXPECT_EQ(cli::loadSettings().sondes.working.imageOffset, 90.0);
}

} // namespace
} // namespace zarn::test
