#include "session_script.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

namespace gu {

namespace {

enum class Kind { write, read, poll };
struct Step {
    Kind kind;
    std::string text;     // write: the message without its line end
    unsigned stb = 0;     // poll: the status byte read
};

constexpr std::size_t MAX_STEPS = 200000;  // the oldest go first
std::deque<Step> steps;
std::size_t dropped = 0;

// The text of the C-escaped string that starts at `line[at]` (a quote).
std::string unescaped(std::string_view line, std::size_t at) {
    std::string out;
    for (std::size_t i = at + 1; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] != '\\' || i + 1 >= line.size()) {
            out += line[i];
            continue;
        }
        const char c = line[++i];
        if (c == 'n') out += '\n';
        else if (c == 'r') out += '\r';
        else if (c == 't') out += '\t';
        else if (c == 'x' && i + 2 < line.size()) {
            out += static_cast<char>(std::strtoul(std::string(line.substr(i + 1, 2)).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

void add(Step step) {
    if (steps.size() == MAX_STEPS) {
        steps.pop_front();
        ++dropped;
    }
    steps.push_back(std::move(step));
}

// A Python string literal of `text`.
std::string literal(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace

void session_record_line(std::string_view line) {
    const auto start = line.find("vi");
    if (start == std::string_view::npos || line.find("= VI_SUCCESS") == std::string_view::npos)
        return;
    line.remove_prefix(start);
    if (line.starts_with("viWrite(")) {
        const auto quote = line.find('"');
        if (quote == std::string_view::npos) return;
        std::string text = unescaped(line, quote);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        if (!text.empty()) add({Kind::write, std::move(text)});
    } else if (line.starts_with("viRead(") && line.find(" data=\"") != std::string_view::npos) {
        add({Kind::read, {}});
    } else if (line.starts_with("viReadSTB(")) {
        const auto at = line.find(" stb=");
        if (at != std::string_view::npos)
            add({Kind::poll, {}, static_cast<unsigned>(std::strtoul(line.data() + at + 5, nullptr, 10))});
    }
}

void session_record_clear() {
    steps.clear();
    dropped = 0;
}

std::size_t session_record_steps() {
    return steps.size();
}

std::string session_python_script(const std::string& resource, int timeout_ms) {
    std::string out =
        "#!/usr/bin/env python3\n"
        "# The commands and queries of a front-panel session, as the I/O monitor recorded them.\n";
    if (dropped)
        out += "# The first " + std::to_string(dropped) + " steps of the session were dropped.\n";
    out += "import time\n\nimport pyvisa\n\n"
           "rm = pyvisa.ResourceManager()\n"
           "# A VXI card that speaks messages is opened as one.\n"
           "inst = rm.open_resource(" + literal(resource) +
           ", resource_pyclass=pyvisa.resources.MessageBasedResource)\n"
           "inst.timeout = " + std::to_string(timeout_ms) + "\n"
           "inst.write_termination = \"\\n\"\n"
           "inst.read_termination = \"\\n\"\n\n\n"
           "def wait_for_status(mask):\n"
           "    \"\"\"Polls the status byte, as the front panel did, until a bit of mask is set.\"\"\"\n"
           "    while not inst.read_stb() & mask:\n"
           "        time.sleep(0.005)\n\n\n";
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        if (s.kind == Kind::write) {
            if (i + 1 < steps.size() && steps[i + 1].kind == Kind::read) {
                out += "print(inst.query(" + literal(s.text) + "))\n";
                ++i;
            } else {
                out += "inst.write(" + literal(s.text) + ")\n";
            }
        } else if (s.kind == Kind::read) {
            out += "print(inst.read())\n";
        } else {
            // A run of polls is a wait: for the bits set at its end that its first lacked.
            // A single poll (the driver's check for errors) waits for nothing.
            std::size_t end = i;
            while (end + 1 < steps.size() && steps[end + 1].kind == Kind::poll) ++end;
            const unsigned mask = steps[end].stb & ~s.stb;
            if (end > i && mask) {
                char text[64];
                std::snprintf(text, sizeof text, "wait_for_status(0x%02X)\n", mask);
                out += text;
            }
            i = end;
        }
    }
    return out + "inst.close()\n";
}

std::string session_scpi_list() {
    std::string out;
    for (const Step& s : steps)
        if (s.kind == Kind::write) out += s.text + "\n";
    return out;
}

}  // namespace gu
