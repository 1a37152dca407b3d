// The entry of a libFuzzer program: every input goes to the fuzz target the build names in TARVO_FUZZ_TARGET,
// a function that the smoke tests of the ordinary builds call too.
#include <cstddef>
#include <cstdint>

int TARVO_FUZZ_TARGET(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return TARVO_FUZZ_TARGET(data, size);
}
