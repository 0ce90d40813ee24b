// A module for the LoadLibraryA tests.
extern "C" __attribute__((visibility("default"))) int orv_test_module_answer() {
    return 42;
}
