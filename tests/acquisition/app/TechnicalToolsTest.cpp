#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/app/KeyChordMatcher.h"
#include "acquisition/app/TechnicalSwitchesStore.h"
#include "acquisition/app/TechnicalToolsLogic.h"
#include "platform/SettingsStore.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace zarn {
namespace {

using Box = TechnicalToolsLogic::Box;

TEST(TechnicalToolsLogic, TitleAndBoxLabelsAreTheProgramsOwn) {
    EXPECT_EQ(TechnicalToolsLogic::Title, "Technical tools ");
    EXPECT_EQ(TechnicalToolsLogic::label(Box::TechnicalTools), "Display technical tools");
    EXPECT_EQ(TechnicalToolsLogic::label(Box::DebuggingTools), "file : error_ZARN.log");
    EXPECT_EQ(TechnicalToolsLogic::label(Box::DebuggingTrace), "File : Trace_ZARN.log");
    EXPECT_EQ(TechnicalToolsLogic::label(Box::FullTracing), "Full tracing");
}

TEST(TechnicalToolsLogic, BoxesStartFromTheSwitches) {
    const TechnicalSwitches cases[] = {{true, false, false, false},
                                       {false, true, false, false},
                                       {false, false, true, false},
                                       {false, false, false, true},
                                       {true, true, true, true}};
    for (const TechnicalSwitches& s : cases) {
        const TechnicalToolsLogic logic(s);
        EXPECT_EQ(logic.checked(Box::TechnicalTools), s.technicalTools);
        EXPECT_EQ(logic.checked(Box::DebuggingTools), s.debuggingTools);
        EXPECT_EQ(logic.checked(Box::DebuggingTrace), s.debuggingTrace);
        EXPECT_EQ(logic.checked(Box::FullTracing), s.fullTracing);
    }
}

TEST(TechnicalToolsLogic, OkStoresAllFourSwitchesCreatingTheKey) {
    test::TempHome home;
    SettingsStore store;
    ASSERT_FALSE(store.keyExists(TechnicalSwitchesStore::KeyPath));
    TechnicalSwitches switches{true, false, false, false};
    TechnicalToolsLogic logic(switches);
    logic.setChecked(Box::TechnicalTools, false);
    logic.setChecked(Box::DebuggingTools, true);
    logic.setChecked(Box::FullTracing, true);
    ASSERT_TRUE(logic.accept(switches, store));

    EXPECT_FALSE(switches.technicalTools);
    EXPECT_TRUE(switches.debuggingTools);
    EXPECT_FALSE(switches.debuggingTrace);
    EXPECT_TRUE(switches.fullTracing);
    EXPECT_EQ(home.read("user-settings.ini"), "[Software\\Lumivane\\ZARN\\TechnicalTools]\r\n"
                                              "TechnicalTools=false\r\nDebugingTools=true\r\n"
                                              "DebugingTrace=false\r\nFullTracing=true\r\n");
    const TechnicalSwitches read = TechnicalSwitchesStore::read(store);
    EXPECT_EQ(read.debuggingTools, true);
    EXPECT_EQ(read.fullTracing, true);
    // The logs follow at once.
    EXPECT_TRUE(DiagnosticLogs::instance().switches().debuggingTools);
    DiagnosticLogs::instance().setSwitches(TechnicalSwitches{});
}

TEST(TechnicalToolsLogic, CancelChangesNothing) {
    test::TempHome home;
    SettingsStore store;
    const TechnicalSwitches before{false, true, false, true};
    ASSERT_TRUE(TechnicalSwitchesStore::write(store, before));
    const std::string storedBefore = home.read("user-settings.ini");
    TechnicalSwitches switches = before;
    {
        TechnicalToolsLogic logic(switches);
        for (Box box : TechnicalToolsLogic::Boxes)
            logic.setChecked(box, !logic.checked(box));
    } // closed with Cancel: accept is never called
    EXPECT_EQ(switches.debuggingTools, true);
    EXPECT_EQ(switches.technicalTools, false);
    EXPECT_EQ(switches.fullTracing, true);
    EXPECT_EQ(home.read("user-settings.ini"), storedBefore);
}

// Keys: C Ctrl, S Shift, A Alt, T the letter, E Enter, x any other key.
// Events: '.' nothing, '!' chord complete, 'e' Enter.
TEST(KeyChordMatcher, RecognisesTheChordOnceAndResetsOnAWrongKey) {
    const struct {
        const char* keys;
        const char* events;
    } cases[] = {
        {"CSAT", "...!"},
        {"CSATT", "...!."}, // the letter again: no second completion
        {"CSATTTxCSAT", "...!......!"},
        {"CSATCSAT", "...!...!"}, // a new chord after the first: the Ctrl counts as another key
        {"SAT", "..."},
        {"CAST", "...."},
        {"CSxAT", "....."},
        {"CCSAT", "....!"}, // a wrong Ctrl starts a new match
        {"CSCSAT", ".....!"},
        {"CSAAT", "....."},
        {"T", "."},
        {"E", "e"},
        {"CSEAT", "..e.."}, // Enter breaks the chord and is reported
        {"CSATET", "...!e."},
        {"xxCSAT", ".....!"},
    };
    for (const auto& c : cases) {
        KeyChordMatcher matcher;
        std::string events;
        for (const char* k = c.keys; *k; ++k) {
            KeyChordMatcher::Key key = KeyChordMatcher::Key::Other;
            switch (*k) {
            case 'C':
                key = KeyChordMatcher::Key::Control;
                break;
            case 'S':
                key = KeyChordMatcher::Key::Shift;
                break;
            case 'A':
                key = KeyChordMatcher::Key::Alt;
                break;
            case 'T':
                key = KeyChordMatcher::Key::T;
                break;
            case 'E':
                key = KeyChordMatcher::Key::Enter;
                break;
            default:
                break;
            }
            switch (matcher.keyDown(key)) {
            case KeyChordMatcher::Event::None:
                events += '.';
                break;
            case KeyChordMatcher::Event::Completed:
                events += '!';
                break;
            case KeyChordMatcher::Event::Enter:
                events += 'e';
                break;
            }
        }
        EXPECT_EQ(events, c.events) << c.keys;
    }
}

} // namespace
} // namespace zarn
