#include "fuzz_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzing::exercise(engine::mp3Decoder, data, size);
    return 0;
}
