// One libFuzzer executable per target: MRV_FUZZ_TARGET names it.
#include "targets/targets.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const mrv::fuzz::Target* target = [] {
        const mrv::fuzz::Target* found = mrv::fuzz::FindTarget(MRV_FUZZ_TARGET);
        if (!found) {
            std::fprintf(stderr, "no fuzz target named %s\n", MRV_FUZZ_TARGET);
            std::abort();
        }
        return found;
    }();
    target->entry(data, size);
    return 0;
}
