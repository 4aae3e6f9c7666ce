// Null offset, statistics results, limits and the two references of the math panel.
#include "math_param.hpp"

namespace gu {

namespace {
constexpr Answers ANSWERS = MATH_PARAM_ANSWERS;
constexpr Answers NO_ENABLE{ANSWERS.last, ANSWERS.outside | msg_set({MSG_ENABLE}), ANSWERS.extra};
}  // namespace

int NullOffs(int panel, int msg, void* data) {
    static MathParam<double> p{.w{"calcNullOffs", ANSWERS, 0.0},
                               .setter = &vo_calcNullOffs,
                               .set_label = "vo_calcNullOffs",
                               .query = &vo_calcNullOffs_Q,
                               .query_label = "vo_calcNullOffs_Q",
                               .companions = {27},
                               .dims_delay = true};
    return p.handle(panel, msg, data);
}

int AverMin(int panel, int msg, void* data) {
    static MathParam<double> p{.w{"AverMin", ANSWERS, 0.0},
                               .query = &vo_calcAverMin_Q,
                               .query_label = "vo_calcAverMin_Q",
                               .companions = {18, 22}};
    return p.handle(panel, msg, data);
}

int AverMax(int panel, int msg, void* data) {
    static MathParam<double> p{.w{"AverMax", ANSWERS, 0.0},
                               .query = &vo_calcAverMax_Q,
                               .query_label = "vo_calcAverMax_Q",
                               .companions = {19}};
    return p.handle(panel, msg, data);
}

int AverAverage(int panel, int msg, void* data) {
    static MathParam<double> p{.w{"AverAver", ANSWERS, 0.0},
                               .query = &vo_calcAverAver_Q,
                               .query_label = "vo_calcAverAver_Q",
                               .companions = {20}};
    return p.handle(panel, msg, data);
}

// Kept as an int, carried in `data` as a double.
int AverCount(int panel, int msg, void* data) {
    static MathParam<int, double, int, ViInt32> p{.w{"AverCount", ANSWERS, 0},
                                                  .query = &vo_calcAverCoun_Q,
                                                  .query_label = "vo_calcAverCoun_Q",
                                                  .companions = {21}};
    return p.handle(panel, msg, data);
}

int LowerLimit(int panel, int msg, void* data) {
    static MathParam<double> p{.w{"calcLimLow", ANSWERS, 0.0},
                               .setter = &vo_calcLimLow,
                               .set_label = "vo_calcLimLow",
                               .query = &vo_calcLimLow_Q,
                               .query_label = "vo_calcLimLow_Q",
                               .companions = {23}};
    return p.handle(panel, msg, data);
}

int UpperLimit(int panel, int msg, void* data) {
    static MathParam<double> p{.w{"calcLimUpp", ANSWERS, 0.0},
                               .setter = &vo_calcLimUpp,
                               .set_label = "vo_calcLimUpp",
                               .query = &vo_calcLimUpp_Q,
                               .query_label = "vo_calcLimUpp_Q",
                               .companions = {24, 25}};
    return p.handle(panel, msg, data);
}

// Kept as a double, carried in `data` and shown as an int (truncated).
int dBmRef(int panel, int msg, void* data) {
    static MathParam<double, int, int> p{.w{"CalcDbmRef", NO_ENABLE, 50.0},
                                         .setter = &vo_calcDbmRef,
                                         .set_label = "vo_calcDbmRef",
                                         .query = &vo_calcDbmRef_Q,
                                         .query_label = "vo_calcDbmRef_Q",
                                         .companions = {17},
                                         .cleared_query = true};
    return p.handle(panel, msg, data);
}

int dBRef(int panel, int msg, void* data) {
    static MathParam<double> p{.w{"dBRef", ANSWERS, 0.0},
                               .setter = &vo_calcDbRef,
                               .set_label = "vo_dBRef",
                               .query = &vo_calcDbRef_Q,
                               .query_label = "vo_calcDbRef_Q",
                               .companions = {15, 16},
                               .dims_delay = true};
    return p.handle(panel, msg, data);
}

}  // namespace gu
