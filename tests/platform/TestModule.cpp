// A shared object for the module loader's tests.
extern "C" int TestModAnswer() {
    return 42;
}
