// State-file recall on arbitrary bytes, through the File menu of the running program (live
// mode off, so the Sync that follows stays in the process): the text kept is the file's
// first 1000 bytes, a store writes it back up to its first zero byte, and the two file
// pop-ups are all the user sees.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "framework.hpp"
#include "program_harness.hpp"
#include "uirt_test.hpp"

namespace {

constexpr int STORE = 11, RECALL = 12;  // File menu items
constexpr const char* OFFLINE_BUS =
    "[VXI0::24::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
    "logical_address = 24\nslot = 3\nq7304 = yes\nfault.open = fail\n";

void check(bool ok) {
    if (!ok) std::abort();
}

struct Files {
    std::string recalled;
    std::string stored;
};

// Start-up to the event loop once; the menus then stay usable for every input.
const Files& started_program() {
    static const Files files = [] {
        gutest::use_bus(OFFLINE_BUS);
        Files f{gutest::write_temp_file("fuzz.st", ""), gutest::write_temp_file("stored.st", "")};
        gutest::run_program([] {});
        check(gu::livemode == 0);
        return f;
    }();
    return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Files& files = started_program();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    gutest::write_temp_file("fuzz.st", bytes);
    uirt::test::clear_popups();

    uirt::test::push_answer({uirt::VAL_EXISTING_FILE_SELECTED, files.recalled});
    uirt::test::pick_menu(gu::menu_bar, RECALL);
    const std::size_t kept = std::min<std::size_t>(size, gu::STATE_TEXT_SIZE);
    check(std::string_view(gu::state_text, kept) == bytes.substr(0, kept));
    check(gu::state_text[kept] == '\0');
    const std::string_view text = bytes.substr(0, std::min(kept, bytes.find('\0')));

    std::filesystem::remove(files.stored);
    uirt::test::push_answer({uirt::VAL_EXISTING_FILE_SELECTED, files.stored});
    uirt::test::pick_menu(gu::menu_bar, STORE);
    check(gutest::read_file(files.stored) == text);
    check(uirt::test::popups().size() == 2);
    return 0;
}
