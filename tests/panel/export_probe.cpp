// A library with two exports, to show that the export test sees a second export when there is one.
#define PROBE_EXPORT __attribute__((visibility("default")))

extern "C" PROBE_EXPORT int probe_first(int value) {
    return value + 1;
}

extern "C" PROBE_EXPORT int probe_second(int value) {
    return value + 2;
}
