// A feature-device library that lacks most entry points: the loader must refuse it.
extern "C" __attribute__((visibility("default"))) void Set_VIDPID(int, int) {}
extern "C" __attribute__((visibility("default"))) int SetFeature(const unsigned char*, int) {
    return 1;
}
