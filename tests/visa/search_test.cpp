// Resource search expressions and find lists, over a bus of six devices.
#include <string>
#include <vector>

#include "search.hpp"
#include "support.hpp"

using namespace visatest;

namespace {

constexpr const char* kBus = R"(# six devices, in this order
[VXI0::24::INSTR]
q7304 = yes
[VXI0::8::INSTR]
idn = A,B,C,D
[GPIB0::9::INSTR]
idn = E,F,G,H
[GPIB1::5::INSTR]
idn = I,J,K,L
[GPIB-VXI0::16::INSTR]
idn = M,N,O,P
[VXI1::3::INSTR]
idn = Q,R,S,T
)";

class VisaSearch : public ::testing::Test {
protected:
    void SetUp() override {
        use_bus(kBus);
        rm_ = open_rm();
    }

    // Every name the expression finds, first from viFindRsrc then from viFindNext.
    std::vector<std::string> find(const char* expr, ViStatus* status = nullptr) {
        ViFindList list = 0;
        ViUInt32 count = 1234;
        ViChar desc[VI_FIND_BUFLEN] = {};
        const ViStatus st = viFindRsrc(rm_, expr, &list, &count, desc);
        if (status) *status = st;
        std::vector<std::string> names;
        if (st != VI_SUCCESS) return names;
        names.emplace_back(desc);
        for (;;) {
            ViChar next[VI_FIND_BUFLEN] = {};
            const ViStatus s = viFindNext(list, next);
            if (s == VI_ERROR_RSRC_NFOUND) break;
            EXPECT_EQ(s, VI_SUCCESS);
            if (s != VI_SUCCESS || names.size() > 10) break;
            names.emplace_back(next);
        }
        EXPECT_EQ(count, names.size()) << expr;
        EXPECT_EQ(viClose(list), VI_SUCCESS);
        return names;
    }

    ViSession rm_ = 0;
};

using Names = std::vector<std::string>;

TEST_F(VisaSearch, QuestionStarMatchesEveryDeviceInBusOrder) {
    EXPECT_EQ(find("?*INSTR"),
              (Names{"VXI0::24::INSTR", "VXI0::8::INSTR", "GPIB0::9::INSTR", "GPIB1::5::INSTR",
                     "GPIB-VXI0::16::INSTR", "VXI1::3::INSTR"}));
}

TEST_F(VisaSearch, PrefixAndCharacterClassSelectInterfaces) {
    EXPECT_EQ(find("VXI?*INSTR"), (Names{"VXI0::24::INSTR", "VXI0::8::INSTR", "VXI1::3::INSTR"}));
    // The '-' of GPIB-VXI is not a digit.
    EXPECT_EQ(find("GPIB[0-9]*::?*INSTR"), (Names{"GPIB0::9::INSTR", "GPIB1::5::INSTR"}));
    EXPECT_EQ(find("GPIB-VXI?*"), (Names{"GPIB-VXI0::16::INSTR"}));
    EXPECT_EQ(find("VXI0::8::INSTR"), (Names{"VXI0::8::INSTR"}));
}

TEST_F(VisaSearch, AlternationAndNegatedClass) {
    EXPECT_EQ(find("(VXI|GPIB)0::?*"),
              (Names{"VXI0::24::INSTR", "VXI0::8::INSTR", "GPIB0::9::INSTR"}));
    EXPECT_EQ(find("[^G]*"), (Names{"VXI0::24::INSTR", "VXI0::8::INSTR", "VXI1::3::INSTR"}));
    EXPECT_EQ(find("VXI0::(8|24)::INSTR"), (Names{"VXI0::24::INSTR", "VXI0::8::INSTR"}));
    // '+' needs at least one of its atom.
    EXPECT_EQ(find("VXI0::[0-9]+::INSTR"), (Names{"VXI0::24::INSTR", "VXI0::8::INSTR"}));
}

TEST_F(VisaSearch, MatchingIgnoresCase) {
    EXPECT_EQ(find("vxi?*instr"), (Names{"VXI0::24::INSTR", "VXI0::8::INSTR", "VXI1::3::INSTR"}));
    EXPECT_EQ(find("gpib1::5::Instr"), (Names{"GPIB1::5::INSTR"}));
    // Ranges too: [a-z] takes the upper-case V.
    EXPECT_EQ(find("[a-z]XI0::8::INSTR"), (Names{"VXI0::8::INSTR"}));
    EXPECT_EQ(find("[^a-z]?*"), (Names{}));
}

TEST_F(VisaSearch, BackslashMakesTheNextCharacterPlain) {
    EXPECT_EQ(find("GPIB\\-VXI0\\:\\:16::INSTR"), (Names{"GPIB-VXI0::16::INSTR"}));
    // Not a digit class: "\\d" is the letter d.
    ViStatus st = 0;
    EXPECT_TRUE(find("VXI0::\\d\\d::INSTR", &st).empty());
    EXPECT_EQ(st, VI_ERROR_RSRC_NFOUND);
    // Escaped inside a list, ']' and '-' are members.
    EXPECT_EQ(find("GPIB[\\-]VXI?*"), (Names{"GPIB-VXI0::16::INSTR"}));
}

TEST_F(VisaSearch, NestedRepetitionsStillMatch) {
    EXPECT_EQ(find("((V|X|I)*(?)*)*::3::INSTR"), (Names{"VXI1::3::INSTR"}));
    EXPECT_EQ(find("(VXI|GPIB)(0|1)*::?+"),
              (Names{"VXI0::24::INSTR", "VXI0::8::INSTR", "GPIB0::9::INSTR", "GPIB1::5::INSTR",
                     "VXI1::3::INSTR"}));
}

TEST_F(VisaSearch, ExpressionMatchesTheWholeName) {
    ViStatus st = 0;
    EXPECT_TRUE(find("VXI0", &st).empty());
    EXPECT_EQ(st, VI_ERROR_RSRC_NFOUND);
    EXPECT_TRUE(find("?*::8", &st).empty());
    EXPECT_EQ(st, VI_ERROR_RSRC_NFOUND);
}

TEST_F(VisaSearch, InvalidExpressionsAreRefused) {
    for (const char* expr : {"*INSTR", "(VXI?*", "VXI?*)", "[0-9", "VXI\\", "?**", "", "[9-0]?*",
                             "?*INSTR{VI_ATTR_NOPE==3}", "(*)", "a|*"}) {
        ViFindList list = 0;
        ViUInt32 count = 0;
        ViChar desc[VI_FIND_BUFLEN] = {};
        EXPECT_EQ(viFindRsrc(rm_, expr, &list, &count, desc), VI_ERROR_INV_EXPR) << expr;
    }
    ViFindList list = 0;
    EXPECT_EQ(viFindRsrc(rm_, nullptr, &list, nullptr, nullptr), VI_ERROR_INV_EXPR);
}

TEST_F(VisaSearch, NoMatchReportsNotFoundAndZeroCount) {
    ViFindList list = 0;
    ViUInt32 count = 99;
    ViChar desc[VI_FIND_BUFLEN] = {};
    EXPECT_EQ(viFindRsrc(rm_, "TCPIP?*", &list, &count, desc), VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(count, 0u);
}

TEST_F(VisaSearch, FindListIteratesOnceThenReportsNotFound) {
    ViFindList list = 0;
    ViUInt32 count = 0;
    ViChar desc[VI_FIND_BUFLEN] = {};
    ASSERT_EQ(viFindRsrc(rm_, "GPIB?*", &list, &count, desc), VI_SUCCESS);
    EXPECT_EQ(count, 3u);
    EXPECT_STREQ(desc, "GPIB0::9::INSTR");
    ASSERT_EQ(viFindNext(list, desc), VI_SUCCESS);
    EXPECT_STREQ(desc, "GPIB1::5::INSTR");
    ASSERT_EQ(viFindNext(list, desc), VI_SUCCESS);
    EXPECT_STREQ(desc, "GPIB-VXI0::16::INSTR");
    EXPECT_EQ(viFindNext(list, desc), VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(viFindNext(list, desc), VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(viClose(list), VI_SUCCESS);
    EXPECT_EQ(viFindNext(list, desc), VI_ERROR_INV_OBJECT);
}

TEST_F(VisaSearch, FindNeedsAResourceManagerSession) {
    const ViSession vi = open_instr(rm_, "VXI0::24::INSTR");
    ViFindList list = 0;
    ViChar desc[VI_FIND_BUFLEN] = {};
    EXPECT_EQ(viFindRsrc(vi, "?*", &list, nullptr, desc), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viFindNext(vi, desc), VI_ERROR_INV_OBJECT);
}

// Expressions whose backtracking would take exponential time take time linear in the name.
TEST(VisaSearchPattern, PathologicalExpressionsAnswerAtOnce) {
    const std::string name(255, 'A');
    for (const char* expr : {"(A*)*B", "((A|A)*)*B", "(A|AA)+B", "(?*)*(?*)*(?*)*B"}) {
        const auto p = simvisa::SearchPattern::compile(expr);
        ASSERT_TRUE(p) << expr;
        EXPECT_FALSE(p->matches(name)) << expr;
        EXPECT_TRUE(p->matches(name + "B")) << expr;
    }
    EXPECT_FALSE(simvisa::SearchPattern::compile(std::string(257, '?')));
    EXPECT_TRUE(simvisa::SearchPattern::compile(std::string(256, '?')));
}

}  // namespace
