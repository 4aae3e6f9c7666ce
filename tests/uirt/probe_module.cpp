// A module for the loader tests; says which of its two builds it is.
extern "C" const char* uirt_probe_answer() {
    return PROBE_ANSWER;
}
