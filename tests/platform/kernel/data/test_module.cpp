// A small shared object that the module registry tests load from disk.
extern "C" __attribute__((visibility("default"))) int quilbex_test_module_answer() { return 42; }
