// Storing and recalling state files through the File menu.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "framework.hpp"
#include "framework_support.hpp"
#include "program_harness.hpp"

namespace {

namespace fs = std::filesystem;
constexpr int STORE = 11, RECALL = 12;

void store(const std::string& path, int purge_answer = 1) {
    uirt::test::push_answer({uirt::VAL_EXISTING_FILE_SELECTED, path});
    if (fs::exists(path)) uirt::test::push_answer({purge_answer, ""});  // the purge question
    uirt::test::pick_menu(gu::menu_bar, STORE);
}

void recall(const std::string& path, int result = uirt::VAL_EXISTING_FILE_SELECTED) {
    uirt::test::push_answer({result, path});
    uirt::test::pick_menu(gu::menu_bar, RECALL);
}

// Root reads a file whatever its mode; without these two capabilities in its effective set
// it is held to the mode bits like any user (they stay permitted and come back at the end).
class FileModesEnforced {
public:
    FileModesEnforced() {
        ::syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &header_, reduced);
    }
    ~FileModesEnforced() { ::syscall(SYS_capset, &header_, saved_); }
    FileModesEnforced(const FileModesEnforced&) = delete;
    FileModesEnforced& operator=(const FileModesEnforced&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

bool opens_for_reading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd >= 0) ::close(fd);
    return fd >= 0;
}

std::string only_popup_text(const std::string& title) {
    const auto shown = fwtest::popups_titled(title);
    return shown.size() == 1 ? shown[0].text : "<" + std::to_string(shown.size()) + " pop-ups>";
}

TEST(StateFiles, TextTravelsFromFileToMemoryAndBackCutAt1000Bytes) {
    gutest::use_bus(fwtest::OFFLINE_BUS);  // without an instrument the text is carried as is
    gutest::run_program([&] {
        const std::string out = gutest::write_temp_file("out.st", "old");
        fs::remove(out);
        uirt::test::clear_popups();
        store(out);  // right after start-up: an empty file, no question asked
        EXPECT_TRUE(uirt::test::popups().size() == 1);
        EXPECT_EQ(uirt::test::popups()[0].kind, "file");
        EXPECT_EQ(uirt::test::popups()[0].title, "Store State File Dialog");
        EXPECT_EQ(uirt::test::popups()[0].text, "*.st");
        ASSERT_TRUE(fs::exists(out));
        EXPECT_EQ(fs::file_size(out), 0u);

        const std::string t800(800, 'a'), t300(300, 'b');
        std::string t1500(1000, 'c');
        t1500 += std::string(500, 'd');
        recall(gutest::write_temp_file("800.st", t800));
        EXPECT_EQ(fwtest::popups_titled("Recall State File Dialog").size(), 1u);
        recall(gutest::write_temp_file("300.st", t300));
        store(out);
        EXPECT_EQ(gutest::read_file(out), t300);

        recall(gutest::write_temp_file("1500.st", t1500));
        EXPECT_EQ(std::string(gu::state_text), std::string(1000, 'c'));
        store(out);
        EXPECT_EQ(gutest::read_file(out), std::string(1000, 'c'));

        recall(gutest::write_temp_file("bin.st", std::string("ab\0cd\x01\xff", 7)));
        store(out);
        EXPECT_EQ(gutest::read_file(out), "ab");  // up to the first zero byte

        recall(gutest::write_temp_file("empty.st", ""));
        EXPECT_EQ(gu::state_text[0], '\0');
        store(out);
        EXPECT_EQ(fs::file_size(out), 0u);
        EXPECT_EQ(fwtest::count_titled("Write Error") + fwtest::count_titled("OpenFile Error"), 0);
        for (const auto& entry : fs::directory_iterator(fs::path(out).parent_path()))
            EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    });
}

TEST(StateFiles, ExistingFilesAreReplacedOnlyWhenTheUserAgrees) {
    gutest::use_bus(fwtest::OFFLINE_BUS);
    gutest::run_program([&] {
        recall(gutest::write_temp_file("new.st", "new text"));
        const std::string target = gutest::write_temp_file("kept.st", "earlier text");
        uirt::test::clear_popups();
        store(target, 2);
        const auto asked = fwtest::popups_titled("Purge Dialog");
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].text, "File Exists.  O.K. to delete?");
        EXPECT_EQ(asked[0].buttons, (std::vector<std::string>{"Yes", "No"}));
        EXPECT_EQ(gutest::read_file(target), "earlier text");

        store(target, 1);
        EXPECT_EQ(gutest::read_file(target), "new text");

        uirt::test::clear_popups();
        uirt::test::push_answer({uirt::VAL_NO_FILE_SELECTED, target});
        uirt::test::pick_menu(gu::menu_bar, STORE);
        uirt::test::push_answer({uirt::VAL_NO_FILE_SELECTED, target});
        uirt::test::pick_menu(gu::menu_bar, RECALL);
        EXPECT_EQ(uirt::test::popups().size(), 2u);  // the two file pop-ups, nothing else
        EXPECT_STREQ(gu::state_text, "new text");
        EXPECT_EQ(gutest::read_file(target), "new text");
    });
}

TEST(StateFiles, FailuresAreReportedAndLeaveFilesAndStateAlone) {
    gutest::use_bus(fwtest::OFFLINE_BUS);
    gutest::run_program([&] {
        recall(gutest::write_temp_file("s.st", "state"));
        uirt::test::clear_popups();
        recall("/no/such/dir/missing.st", uirt::VAL_NEW_FILE_SELECTED);
        EXPECT_EQ(only_popup_text("File Open Error"),
                  "File /no/such/dir/missing.st does not exist.");

        recall("/no/such/dir/claimed.st");
        EXPECT_EQ(only_popup_text("OpenFile Error"), "Open File failed on /no/such/dir/claimed.st");
        const std::string dir =
            (fs::path(gutest::write_temp_file("x", "")).parent_path() / "folder.st").string();
        fs::create_directories(dir);
        uirt::test::clear_popups();
        recall(dir);
        EXPECT_EQ(only_popup_text("OpenFile Error"), "Open File failed on " + dir);
        store(dir);
        EXPECT_EQ(fwtest::count_titled("OpenFile Error"), 2);
        EXPECT_STREQ(gu::state_text, "state");

        uirt::test::clear_popups();
        const std::string long_path = "/no/such/dir/" + std::string(255 - 13 - 3, 'p') + ".st";
        ASSERT_EQ(long_path.size(), 255u);
        store(long_path);
        EXPECT_EQ(only_popup_text("OpenFile Error"), "Open File failed on " + long_path);

        uirt::test::clear_popups();
        store("/dev/full");
        EXPECT_EQ(only_popup_text("Write Error"), "Write to File /dev/full Failed!\n");
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
    });
}

TEST(StateFiles, UnreadableFilesAreReportedOrReadAsNothing) {
    gutest::use_bus(fwtest::live_bus());
    const auto trace = gutest::use_trace();
    gutest::run_program([&] {
        recall(gutest::write_temp_file("s.st", "state"));

        // No permission to read: the open fails, the text and the panels stay as they were.
        const std::string locked = gutest::write_temp_file("locked.st", "secret");
        fs::permissions(locked, fs::perms::none);
        {
            const FileModesEnforced as_any_user;
            if (opens_for_reading(locked)) GTEST_SKIP() << "file modes are not enforced here";
            uirt::test::clear_popups();
            const auto before = gutest::trace_line_count(trace);
            recall(locked);
            EXPECT_EQ(only_popup_text("OpenFile Error"), "Open File failed on " + locked);
            EXPECT_STREQ(gu::state_text, "state");
            EXPECT_TRUE(gutest::written_commands_since(trace, before).empty());  // no Sync
        }

        // Opened, but every read fails (address 0 of the process is never mapped): recalled as
        // an empty text, silently, and the panels are read back all the same.
        uirt::test::clear_popups();
        const auto before = gutest::trace_line_count(trace);
        recall("/proc/self/mem");
        EXPECT_TRUE(fwtest::popups_titled("OpenFile Error").empty());
        EXPECT_EQ(uirt::test::popups().size(), 1u);  // the file pop-up only
        EXPECT_EQ(gu::state_text[0], '\0');
        EXPECT_FALSE(gutest::written_commands_since(trace, before).empty());

        // A named pipe that no program writes to: recalled as an empty text, not waited on.
        recall(gutest::write_temp_file("s.st", "state"));
        const std::string pipe = (fs::path(locked).parent_path() / "pipe.st").string();
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
        uirt::test::clear_popups();
        recall(pipe);
        EXPECT_EQ(uirt::test::popups().size(), 1u);
        EXPECT_EQ(gu::state_text[0], '\0');
    });
}

TEST(StateFiles, AFullDiskKeepsTheEarlierFileWhole) {
    gutest::use_bus(fwtest::OFFLINE_BUS);
    gutest::run_program([&] {
        const std::string earlier(600, 'e');
        const std::string target = gutest::write_temp_file("full.st", earlier);
        recall(gutest::write_temp_file("big.st", std::string(900, 'n')));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{100, 100};  // files cannot grow past 100 bytes: a full disk
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        uirt::test::clear_popups();
        store(target);
        EXPECT_EQ(only_popup_text("Write Error"), "Write to File " + target + " Failed!\n");
        EXPECT_EQ(gutest::read_file(target), earlier);

        // Written in place (a second name), then put back from the copy kept beside it.
        const std::string shared = gutest::write_temp_file("shared.st", std::string(60, 's'));
        fs::create_hard_link(shared, fs::path(shared).parent_path() / "shared-too.st");
        uirt::test::clear_popups();
        store(shared);
        EXPECT_EQ(only_popup_text("Write Error"), "Write to File " + shared + " Failed!\n");
        EXPECT_EQ(gutest::read_file(shared), std::string(60, 's'));
        for (const auto& entry : fs::directory_iterator(fs::path(target).parent_path())) {
            EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
            EXPECT_NE(entry.path().extension(), ".old") << entry.path();
        }
    });
}

constexpr int TRIGGER_COUNT = 3, MAIN_RANGE = 3, RANGE_10_V = 3;
int trigger_count_in_instrument() {
    ViInt32 count = 0;
    gu::vo_trigCoun_Q(gu::instr_session, &count);
    return count;
}

TEST(StateFiles, StoreKeepsTheInstrumentsSettingsAndRecallSetsThemUpAgain) {
    gutest::use_bus(fwtest::live_bus());
    const auto trace = gutest::use_trace();
    gutest::run_program([&] {
        ASSERT_TRUE(gu::livemode);
        uirt::test::set_value(gu::trigger_panel, TRIGGER_COUNT, 5);
        uirt::test::select_index(gu::main_panel, MAIN_RANGE, RANGE_10_V);
        const std::string file = gutest::write_temp_file("bench.st", "");
        fs::remove(file);
        uirt::test::clear_popups();
        store(file);  // right after the changes: the instrument's learn text
        const std::string stored = gutest::read_file(file);
        EXPECT_EQ(stored.rfind("*RST;", 0), 0u) << stored;
        EXPECT_LE(stored.size(), 1000u);
        EXPECT_NE(stored.find("TRIG:COUN 5"), std::string::npos) << stored;
        EXPECT_NE(stored.find(":VOLT:RANG 10;"), std::string::npos) << stored;

        uirt::test::set_value(gu::trigger_panel, TRIGGER_COUNT, 2);
        uirt::test::select_index(gu::main_panel, MAIN_RANGE, 0);
        auto before = gutest::trace_line_count(trace);
        recall(file);
        auto sent = gutest::written_commands_since(trace, before);
        ASSERT_FALSE(sent.empty());
        // Sent whole (the trace escapes its quotes), before Sync reads every setting back.
        EXPECT_EQ(sent[0].rfind(stored.substr(0, stored.find('"')), 0), 0u) << sent[0];
        EXPECT_EQ(sent[0].size(), stored.size() + 2);
        EXPECT_GT(sent.size(), 10u);
        EXPECT_EQ(trigger_count_in_instrument(), 5);
        int shown = 0;
        gu::TrigCount(0, gu::MSG_GET, &shown);
        EXPECT_EQ(shown, 5);
        EXPECT_EQ(fwtest::count_titled("File Open Error") + fwtest::count_titled("Write Error"), 0);

        // Foreign texts, a query among them, are carried but never sent.
        for (const char* text : {"an older state", "*RST;:TRIG:COUN 9;:SYST:ERR?"}) {
            before = gutest::trace_line_count(trace);
            recall(gutest::write_temp_file("foreign.st", text));
            EXPECT_STREQ(gu::state_text, text);
            for (const auto& c : gutest::written_commands_since(trace, before))
                EXPECT_EQ(c.find("*RST"), std::string::npos) << c;
        }
        EXPECT_EQ(trigger_count_in_instrument(), 5);
        store(file);  // and a store carries the foreign text on unchanged
        EXPECT_EQ(gutest::read_file(file), "*RST;:TRIG:COUN 9;:SYST:ERR?");
    });
}

TEST(StateFiles, StoringKeepsModeOwnerLinksAndLongPaths) {
    gutest::use_bus(fwtest::OFFLINE_BUS);
    gutest::run_program([&] {
        recall(gutest::write_temp_file("new.st", "new text"));
        const fs::path dir = fs::path(gutest::write_temp_file("x", "")).parent_path();

        const std::string target = gutest::write_temp_file("private.st", "earlier");
        ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
        const bool can_chown = ::chown(target.c_str(), 1234, 1234) == 0;  // as root only
        const fs::path other_link = dir / "second-name.st";
        fs::create_hard_link(target, other_link);
        const fs::path symlink = dir / "link.st";
        fs::create_symlink(target, symlink);
        store(symlink.string());
        EXPECT_TRUE(fs::is_symlink(symlink));
        EXPECT_EQ(gutest::read_file(other_link.string()), "new text");  // one file still
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        EXPECT_EQ(st.st_nlink, 2u);
        if (can_chown) EXPECT_EQ(st.st_uid, 1234u);

        // A single-named file is replaced whole, still with its owner and mode.
        fs::remove(other_link);
        recall(gutest::write_temp_file("newer.st", "newer text"));
        store(target);
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(gutest::read_file(target), "newer text");
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        if (can_chown) EXPECT_EQ(st.st_uid, 1234u);

        // A writable file in a folder that is not: written in place.
        const fs::path locked_dir = dir / "locked";
        fs::create_directories(locked_dir);
        const std::string inside = (locked_dir / "s.st").string();
        gutest::write_temp_file("locked/s.st", "earlier");
        ASSERT_EQ(::chmod(locked_dir.c_str(), 0555), 0);
        {
            const FileModesEnforced as_any_user;
            uirt::test::clear_popups();
            store(inside);
            EXPECT_EQ(gutest::read_file(inside), "newer text");
            EXPECT_EQ(fwtest::count_titled("Write Error") + fwtest::count_titled("OpenFile Error"), 0);
        }
        ::chmod(locked_dir.c_str(), 0755);

        // Paths past 256 characters are taken as the pop-up gives them.
        fs::path deep = dir;
        for (int i = 0; i < 3; ++i) deep /= std::string(100, char('a' + i));
        fs::create_directories(deep);
        const std::string long_path = (deep / "state.st").string();
        ASSERT_GT(long_path.size(), 300u);
        store(long_path);
        EXPECT_EQ(gutest::read_file(long_path), "newer text");
        recall(gutest::write_temp_file("other.st", "other"));
        recall(long_path);
        EXPECT_STREQ(gu::state_text, "newer text");
        for (const auto& entry : fs::recursive_directory_iterator(dir)) {
            EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
            EXPECT_NE(entry.path().extension(), ".old") << entry.path();
        }
    });
}

}  // namespace
