// A shared library that is no panel plug-in: it does not export load_zeth_client_script.
extern "C" __attribute__((visibility("default"))) int zeth_not_a_factory() {
    return 42;
}
