#include "value.hpp"

#include <QString>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "uirt.hpp"

namespace uirt::detail {

int data_type_code(DataType type) {
    switch (type) {
        case DataType::integer:
            return VAL_INTEGER;
        case DataType::real:
            return VAL_DOUBLE;
        case DataType::text:
            return VAL_STRING;
    }
    return VAL_INTEGER;
}

bool parse_number(const std::string& text, double& out) {
    const char* begin = text.c_str();
    char* end = nullptr;
    const double parsed = std::strtod(begin, &end);
    if (end == begin) return false;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0' || !std::isfinite(parsed)) return false;
    out = parsed;
    return true;
}

static int truncate_to_int(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(std::trunc(value));
}

double to_double(const Value& value) {
    if (const int* i = std::get_if<int>(&value)) return *i;
    if (const double* d = std::get_if<double>(&value)) return *d;
    double parsed = 0.0;
    return parse_number(std::get<std::string>(value), parsed) ? parsed : 0.0;
}

int to_int(const Value& value) {
    if (const int* i = std::get_if<int>(&value)) return *i;
    return truncate_to_int(to_double(value));
}

std::string to_text(const Value& value) {
    if (const std::string* s = std::get_if<std::string>(&value)) return *s;
    if (const int* i = std::get_if<int>(&value)) return std::to_string(*i);
    return QString::number(std::get<double>(value), 'g', 15).toStdString();
}

Value convert(const Value& value, DataType type) {
    switch (type) {
        case DataType::integer:
            return to_int(value);
        case DataType::real:
            return to_double(value);
        case DataType::text:
            return to_text(value);
    }
    return value;
}

void copy_text(const std::string& text, char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return;
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

}  // namespace uirt::detail
