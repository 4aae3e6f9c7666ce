#include "readings_csv.hpp"

#include <cstdio>
#include <ctime>

#include "trend.hpp"

namespace gu {

namespace {

// A field as RFC 4180 writes it: quoted when it holds the separator, a quote or a line end.
void field(std::string& out, const std::string& text, char separator) {
    if (text.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void row(std::string& out, std::initializer_list<std::string> fields, char separator) {
    bool first = true;
    for (const std::string& f : fields) {
        if (!first) out += separator;
        field(out, f, separator);
        first = false;
    }
    out += "\r\n";
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);  // reads back to the same double
    return text;
}

std::string seconds(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

void settings_rows(std::string& out, const SettingsSnapshot& s, char sep) {
    row(out, {"Instrument", s.identity}, sep);
    row(out, {"Function", s.function}, sep);
    row(out, {"Range", s.range}, sep);
    row(out, {"Resolution", s.resolution}, sep);
    row(out, {"Aperture", s.aperture}, sep);
    row(out, {"Trigger source", s.trigger_source}, sep);
    row(out, {"Trigger count", std::to_string(s.trigger_count)}, sep);
    row(out, {"Trigger delay", s.trigger_delay}, sep);
    row(out, {"Sample count", std::to_string(s.sample_count)}, sep);
}

void trace_row(std::string& out, int number, const SettingsSnapshot& s, WallTime start, char sep) {
    row(out, {"Trace " + std::to_string(number), s.function, s.unit, iso_time(start), s.range,
              s.resolution, s.aperture},
        sep);
}

void column_titles(std::string& out, char sep) {
    out += "\r\n";
    row(out, {"Index", "Time (s)", "Value", "Unit"}, sep);
}

}  // namespace

std::string iso_time(WallTime time) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch());
    const std::time_t whole = static_cast<std::time_t>(ms.count() / 1000);
    std::tm utc{};
    gmtime_r(&whole, &utc);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms.count() % 1000));
    return text;
}

std::string block_table(const BlockRecord& block, char sep) {
    std::string out;
    out.reserve(96 * block.values.size() + 512);
    settings_rows(out, block.settings, sep);
    row(out, {"Start", iso_time(block.start)}, sep);
    column_titles(out, sep);
    // The instrument does not time the readings of a block: the time column stays empty.
    const std::string unit = block.settings.unit;
    std::size_t index = 1;
    for (const double v : block.values) row(out, {std::to_string(index++), "", number(v), unit}, sep);
    return out;
}

std::string trend_table(char sep) {
    std::string out;
    const auto& traces = trend_traces();
    const auto rows = trend_rows();
    out.reserve(96 * rows.size() + 512);
    if (!traces.empty()) settings_rows(out, traces.front().settings, sep);
    row(out, {"Start", traces.empty() ? "" : iso_time(trend_start())}, sep);
    if (!traces.empty())
        row(out, {"Traces", "Function", "Unit", "Start", "Range", "Resolution", "Aperture"}, sep);
    for (const TrendTrace& t : traces) trace_row(out, t.number, t.settings, t.start, sep);
    column_titles(out, sep);
    for (const TrendRow& r : rows)
        row(out, {std::to_string(r.index), seconds(r.point.seconds), number(r.point.value),
                  traces[r.trace].unit},
            sep);
    return out;
}

std::string log_header(const SettingsSnapshot& settings, WallTime start) {
    std::string out;
    settings_rows(out, settings, ',');
    row(out, {"Start", iso_time(start)}, ',');
    column_titles(out, ',');
    return out;
}

std::string log_trace_row(int number, const SettingsSnapshot& settings, WallTime start) {
    std::string out;
    trace_row(out, number, settings, start, ',');
    return out;
}

void log_reading_row(std::string& out, std::size_t index, double time, double value,
                     const std::string& unit) {
    row(out, {std::to_string(index), seconds(time), number(value), unit}, ',');
}

}  // namespace gu
