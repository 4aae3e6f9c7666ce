// Shared set-up of the run-time tests: scripted mode, a scratch folder, small panels.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <string>

#include "uirt.hpp"
#include "uirt_test.hpp"

namespace uirt_tests {

// A fresh scratch folder (removed again by the fixture).
std::string scratch_dir();
std::string write_file(const std::string& name, const std::string& contents);

// Panel 1 of this resource file holds one control of each kind the tests use.
std::string sample_uir();

inline constexpr int NUM_INT = 1, NUM_DBL = 2, IND_DBL = 3, TEXT = 4, RING = 5, SWITCH = 6,
                     BUTTON = 7, LIST = 8, GRAPH = 9, LED = 10, DBL_RING = 11, MSG = 12;

class Runtime : public ::testing::Test {
protected:
    void SetUp() override;
    int load(int resource = 1, int parent = 0);
};

// A run-time with the event recorders registered and panel 1 loaded, not displayed.
class LoadedPanel : public Runtime {
protected:
    void SetUp() override;
    int panel = 0;
};

// The first widget of type W showing `text`, null when none.
template <typename W>
W* find_widget(const QString& text) {
    for (QWidget* w : QApplication::allWidgets())
        if (auto* typed = qobject_cast<W*>(w); typed && typed->text() == text) return typed;
    return nullptr;
}

}  // namespace uirt_tests
