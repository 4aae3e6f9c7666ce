#include "widgets.hpp"
int main(int argc, char** argv) { return gu::main(argc, argv); }
