// The SCPI console: commands and queries typed as a user would, their replies and errors,
// the history, the panels read back, and nothing sent out of live mode or mid-measurement.
#include <regex>
#include <string>

#include "panel_scenario.hpp"
#include "scpi_console.hpp"

namespace {

using namespace paneltest;
constexpr int SCPI_CONSOLE = 26;            // Data menu
constexpr int LOG = 2, LINE = 3;            // console
constexpr int SAMPLE_COUNT = 11;            // main panel

std::string text_of(int panel, int ctrl) {
    std::string text(1 << 16, '\0');
    uirt::GetCtrlVal(panel, ctrl, text.data(), text.size());
    return text.c_str();
}

int lines(int console) {
    int n = 0;
    uirt::GetNumTextBoxLines(console, LOG, &n);
    return n;
}

TEST(ScpiConsole, SendsCommandsAndQueriesShowsRepliesAndErrorsAndKeepsAHistory) {
    std::string trace;
    run_live("", trace, [&] {
        uirt::test::pick_menu(gu::menu_bar, SCPI_CONSOLE);
        const int console = gu::scpi_console();
        ASSERT_GT(console, 0);
        // A command: sent as typed, then the panels show what the instrument now has.
        auto sent = sent_by(trace, [&] { uirt::test::set_value(console, LINE, "SAMP:COUN 7"); });
        EXPECT_TRUE(has(sent, "SAMP:COUN 7"));
        double samples = 0;
        uirt::GetCtrlVal(gu::main_panel, SAMPLE_COUNT, &samples);
        EXPECT_EQ(samples, 7.0);
        EXPECT_EQ(text_of(console, LINE), "");
        // A query: its reply under it.
        uirt::test::set_value(console, LINE, "  SAMP:COUN? ");
        std::string log = text_of(console, LOG);
        EXPECT_TRUE(std::regex_search(log, std::regex(R"(> SAMP:COUN\?\n\+?7$)"))) << log;
        EXPECT_EQ(uirt::test::text_box_line_color(console, LOG, lines(console) - 1), -1);
        // A wrong command: the instrument's error in red under it.
        uirt::test::set_value(console, LINE, "SAMP:CONT 3");
        log = text_of(console, LOG);
        EXPECT_NE(log.find("> SAMP:CONT 3\n  error -113"), std::string::npos) << log;
        EXPECT_EQ(uirt::test::text_box_line_color(console, LOG, lines(console) - 1), 0xD00000);
        uirt::test::set_value(console, LINE, "SYST:ERR?");
        // The queue was read after the wrong command.
        EXPECT_TRUE(std::regex_search(text_of(console, LOG), std::regex(R"(SYST:ERR\?\n\+?0,)")));

        // Up and Down walk the history.
        for (const char* expected : {"SYST:ERR?", "SAMP:CONT 3", "SAMP:COUN?", "SAMP:COUN 7",
                                     "SAMP:COUN 7"}) {
            uirt::test::send_event(console, LINE, uirt::EVENT_KEYPRESS, uirt::VAL_UP_ARROW_VKEY);
            EXPECT_EQ(text_of(console, LINE), expected);
        }
        for (const char* expected : {"SAMP:COUN?", "SAMP:CONT 3", "SYST:ERR?", ""}) {
            uirt::test::send_event(console, LINE, uirt::EVENT_KEYPRESS, uirt::VAL_DOWN_ARROW_VKEY);
            EXPECT_EQ(text_of(console, LINE), expected);
        }

        // While a measurement runs, the line waits and is sent after it.
        gu::measuring = 1;
        sent = sent_by(trace, [&] { uirt::test::set_value(console, LINE, "SAMP:COUN 2"); });
        EXPECT_FALSE(has(sent, "SAMP:COUN 2"));
        gu::measuring = 0;
        sent = sent_by(trace, [] { gu::process_pending_event(); });
        EXPECT_TRUE(has(sent, "SAMP:COUN 2"));
    });
}

TEST(ScpiConsole, OutOfLiveModeSaysSoAndSendsNothing) {
    run_offline([] {
        uirt::test::pick_menu(gu::menu_bar, SCPI_CONSOLE);
        const int console = gu::scpi_console();
        uirt::test::set_value(console, LINE, "*RST");
        EXPECT_NE(text_of(console, LOG).find("Not in live mode: nothing is sent."),
                  std::string::npos);
    });
}

}  // namespace
