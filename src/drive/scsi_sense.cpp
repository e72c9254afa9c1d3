#include "drive/scsi_sense.h"

#include "platform/sat.h"

namespace mrv
{

int SenseToResult(const uint8_t* sense, size_t length)
{
    using namespace scsi_result;
    if (sense == nullptr || length == 0 || sense[0] == 0) return kOk;
    const uint8_t response = sense[0] & 0x7F;
    if (response != 0x70 && response != 0x71) return kUnknownSenseFormat;
    if (length < 3) return kUnknownSenseFormat;
    const int key = sense[2] & 0x0F;
    if (key != 0) return kSenseKeyBase + key;
    if (sense[2] & 0x80) return kFilemark;
    if (sense[2] & 0x40) return kEndOfMedium;
    if (sense[2] & 0x20) return kIncorrectLength;
    // The VALID bit says the information field (bytes 3–6) holds something.
    if (sense[0] & 0x80) return kInformationValid;
    return kNoSense;
}

int SystemErrorToResult(uint32_t error)
{
    switch (error) {
    case 0:
    case 1:
        return 0;
    case 2:
    case 3:
        return 1;
    case 79:
    case 121:
        return 51;
    case 82:
        return 50;
    case 87:
    case 208:
        return 52;
    case 192:
        return 53;
    case 209:
    case 214:
        return 55;
    case 222:
    case 1117:
        return 56;
    default:
        return scsi_result::kSystemError;
    }
}

} // namespace mrv
