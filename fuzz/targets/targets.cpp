#include "targets/targets.h"

namespace mrv::fuzz
{

const std::vector<Target>& Targets()
{
    static const std::vector<Target> targets = {
        {"settings", FuzzSettings},    {"lab", FuzzLab},
        {"script", FuzzScript},        {"identify", FuzzIdentify},
        {"smart_file", FuzzSmartFile}, {"partition", FuzzPartition},
        {"sense", FuzzSense},          {"nvme", FuzzNvme},
        {"lba_amount", FuzzLbaAmount}, {"hex_port", FuzzHexPort},
    };
    return targets;
}

const Target* FindTarget(std::string_view name)
{
    for (const Target& target : Targets())
        if (name == target.name) return &target;
    return nullptr;
}

} // namespace mrv::fuzz
