#include "signal.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sim {
namespace {

constexpr double input_impedance = 10e6;        // ohms: the DC voltage input
constexpr double high_input_impedance = 10e9;   // INP:IMP:AUTO ON on the low ranges
constexpr double high_impedance_top_range = 10.0;
constexpr double max_drift_seconds = 100.0;     // the zero offset stops growing after this

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

Quantity quantity_of(Function f) {
    switch (f) {
        case Function::freq:
        case Function::period:
            return Quantity::frequency;
        case Function::fres:
        case Function::res:
            return Quantity::resistance;
        case Function::volt_ac:
            return Quantity::volt_ac;
        case Function::volt_dc:
            return Quantity::volt_dc;
        case Function::curr_ac:
            return Quantity::curr_ac;
        case Function::curr_dc:
            return Quantity::curr_dc;
        case Function::volt_ratio:
            return Quantity::ratio;
    }
    return Quantity::volt_dc;
}

double level_of(const Q7304Input& in, Quantity q) {
    switch (q) {
        case Quantity::volt_dc:
            return in.volt_dc;
        case Quantity::volt_ac:
            return in.volt_ac;
        case Quantity::curr_dc:
            return in.curr_dc;
        case Quantity::curr_ac:
            return in.curr_ac;
        case Quantity::resistance:
            return in.resistance;
        case Quantity::frequency:
            return in.frequency;
        case Quantity::ratio:
            return in.ratio;
    }
    return 0.0;
}

double fraction(double x) {
    return x - std::floor(x);
}

// The variation's mean over [a, b] seconds since power-on.
double mean_variation(const Variation& v, double a, double b) {
    const double mid = 0.5 * (a + b);
    switch (v.wave) {
        case Variation::Wave::dc:
            return 0.0;
        case Variation::Wave::sine: {
            const double w = 2.0 * std::numbers::pi * v.frequency;
            if ((b - a) * v.frequency < 1e-9) return v.amplitude * std::sin(w * mid);
            return v.amplitude * (std::cos(w * a) - std::cos(w * b)) / (w * (b - a));
        }
        case Variation::Wave::ramp:
            return v.amplitude * fraction(v.frequency * mid);
        case Variation::Wave::steps: {
            const int n = std::max(v.steps, 2);
            return v.amplitude * std::floor(n * fraction(v.frequency * mid)) / (n - 1);
        }
    }
    return 0.0;
}

double quantity_mean(const Context& ctx, Quantity q, double a, double b) {
    return level_of(ctx.input, q) + mean_variation(ctx.input.variation(q), a, b);
}

// Period readings are 1 / frequency; a frequency of zero reads as overload.
double as_function(Function f, double value) {
    if (f != Function::period) return value;
    return value > 0.0 ? 1.0 / value : overload_reading;
}

// The RMS detector squares the signal and filters it: a sine of `frequency` leaves a ripple
// at twice that frequency, which a three-pole filter of `bandwidth` attenuates; the
// integration over `aperture` seconds ending at `t` averages what is left. The factor the
// reading is multiplied by.
double detector_ripple(double bandwidth, double frequency, double aperture, double t) {
    if (!(frequency > 0.0) || !(bandwidth > 0.0)) return 1.0;
    const double x = 2.0 * frequency / bandwidth;
    const double left = 1.0 / std::sqrt(1.0 + x * x * x * x * x * x);
    if (left < 1e-12) return 1.0;
    const double w = 4.0 * std::numbers::pi * frequency;  // the ripple, in radians per second
    const double mean_cos = w * aperture < 1e-9
                                ? std::cos(w * t)
                                : (std::sin(w * t) - std::sin(w * (t - aperture))) / (w * aperture);
    return std::sqrt(std::max(0.0, 1.0 + left * mean_cos));
}

bool drifts_without_auto_zero(Function f) {
    return f == Function::volt_dc || f == Function::curr_dc || f == Function::res ||
           f == Function::fres || f == Function::volt_ratio;
}

}  // namespace

bool ac_detected(Function f) {
    return f == Function::volt_ac || f == Function::curr_ac;
}

double detector_settling(double bandwidth) {
    // Seven time constants of the filter: the reading is within 0.1 % of its final value.
    return 7.0 / (2.0 * std::numbers::pi * bandwidth);
}

double input_level(const Context& ctx, Function f, Clock::time_point at) {
    const double t = seconds(at - ctx.power_on);
    return as_function(f, quantity_mean(ctx, quantity_of(f), t, t));
}

double group_input(const Context& ctx, Group g, Clock::time_point at) {
    const double t = seconds(at - ctx.power_on);
    switch (g) {
        case Group::volt_dc:
            return std::abs(quantity_mean(ctx, Quantity::volt_dc, t, t));
        case Group::volt_ac:
        case Group::freq:
        case Group::period:
            return std::abs(quantity_mean(ctx, Quantity::volt_ac, t, t));
        case Group::curr_dc:
            return std::abs(quantity_mean(ctx, Quantity::curr_dc, t, t));
        case Group::curr_ac:
            return std::abs(quantity_mean(ctx, Quantity::curr_ac, t, t));
        case Group::res:
            return std::abs(quantity_mean(ctx, Quantity::resistance, t, t));
    }
    return 0.0;
}

double sample_input(Context& ctx, Function f, double range, double aperture,
                    Clock::time_point end) {
    const Settings& s = ctx.settings;
    const Quantity q = quantity_of(f);
    const double b = seconds(end - ctx.power_on);
    double v = quantity_mean(ctx, q, b - aperture, b);
    if (const double sigma = ctx.input.variation(q).noise; sigma > 0.0) {
        std::normal_distribution<double> gauss(0.0, sigma / std::sqrt(std::max(aperture, 1e-6)));
        v += gauss(ctx.rng);
    }
    if (f == Function::volt_dc && ctx.input.source_resistance > 0.0) {
        const bool high = s.input_auto_impedance && range <= high_impedance_top_range;
        const double z = high ? high_input_impedance : input_impedance;
        v *= z / (z + ctx.input.source_resistance);
    }
    if (ac_detected(f)) {
        const double frequency = quantity_mean(ctx, Quantity::frequency, b - aperture, b);
        v *= detector_ripple(s.detector_bandwidth, frequency, aperture, b);
    }
    if (!s.auto_zero && drifts_without_auto_zero(f)) {
        const double since = std::clamp(seconds(end - ctx.zeroed_at), 0.0, max_drift_seconds);
        v += ctx.input.zero_drift * range * since;
    }
    return as_function(f, v);
}

}  // namespace sim
