// One libFuzzer target; COCHLEX_FUZZ_FEED names the reader it drives.

#include "fuzz/FuzzEntryPoints.h"
#include "fuzz/FuzzMakerInputs.h"

extern "C" int
LLVMFuzzerInitialize(int*, char***)
{
  silenceVtkOutput();
  warmUpQt();
  return 0;
}

extern "C" int
LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  COCHLEX_FUZZ_FEED(data, size);
  return 0;
}
