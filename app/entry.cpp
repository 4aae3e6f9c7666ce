// The process entry: the run-time around the main sequence.
#include "uirt.hpp"
#include "widgets.hpp"

int main(int argc, char** argv) {
    if (!uirt::InitCVIRTE(argc, argv)) return -1;
    const int result = gu::main(argc, argv);
    uirt::CloseCVIRTE();
    return result;
}
