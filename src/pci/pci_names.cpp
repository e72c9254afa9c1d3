#include "pci/pci_names.h"

#include <algorithm>
#include <cstdio>

namespace mrv
{

namespace
{

struct NamedCode {
    uint16_t code;
    const char* name;
};

// Sorted by ID. The IDs 9004h/9005h and 1109h are all Adaptec.
constexpr NamedCode kVendors[] = {
    {0x0E11, "Compaq"},
    {0x1000, "LSI Logic"},
    {0x1002, "ATI"},
    {0x100B, "Semiconductor"},
    {0x1022, "AMD"},
    {0x1039, "SiS"},
    {0x1042, "Micron"},
    {0x1045, "OPTi Inc"},
    {0x1055, "Efar Microsystems"},
    {0x105A, "Promise"},
    {0x1078, "Cyrix"},
    {0x1095, "CMD/SiI"},
    {0x10AD, "Symphony Labs"},
    {0x10B9, "ALi/ULi"},
    {0x10DE, "Nvidia"},
    {0x10EC, "Realtek"},
    {0x1101, "Initio"},
    {0x1103, "HPT"},
    {0x1106, "VIA"},
    {0x1109, "Adaptec"},
    {0x1145, "Workbit"},
    {0x1166, "Broadcom"},
    {0x1179, "Toshiba"},
    {0x11AB, "Marvell"},
    {0x1217, "O2Micro"},
    {0x1283, "ITE"},
    {0x15E9, "Pacific"},
    {0x169C, "Netcell"},
    {0x1725, "Vitesse Semiconductor"},
    {0x17F3, "RDC Semiconductor"},
    {0x197B, "JMicron"},
    {0x1DE1, "Tekram"},
    {0x3388, "Hint"},
    {0x8086, "Intel"},
    {0x9004, "Adaptec"},
    {0x9005, "Adaptec"},
    {0x907F, "Atronic"},
    {0x9412, "Holtek"},
    {0xACE1, "ACE Lab"},
    {0xB00C, "IC Book"},
};

// Sorted by class code (base class << 8 | sub-class).
constexpr NamedCode kClasses[] = {
    {0x0100, "SCSI"},     {0x0101, "Int ATA"},  {0x0102, "FDC"},      {0x0103, "IPI"},
    {0x0104, "RAID"},     {0x0180, "Ext ATA"},  {0x0200, "Network"},  {0x0202, "FDDI"},
    {0x0204, "ISDN"},     {0x0280, "Network"},  {0x0300, "Video"},    {0x0301, "XGA"},
    {0x0302, "3D ctl"},   {0x0380, "Display"},  {0x0400, "Video"},    {0x0401, "Audio"},
    {0x0480, "M-media"},  {0x0500, "RAM mem"},  {0x0501, "FLASH"},    {0x0600, "Host"},
    {0x0601, "ISA brg"},  {0x0602, "EISA"},     {0x0604, "PCI brg"},  {0x0605, "PCMCIA"},
    {0x0606, "NuBus"},    {0x0607, "CardBus"},  {0x0608, "RaceWay"},  {0x0609, "PCI-PCI"},
    {0x0680, "Bridge"},   {0x0700, "Serial"},   {0x0701, "Parallel"}, {0x0702, "Multiport"},
    {0x0703, "Modem"},    {0x0780, "Comm"},     {0x0C00, "FireWire"}, {0x0C01, "ACCESS"},
    {0x0C02, "SSA"},      {0x0C03, "USB ctrl"}, {0x0C04, "Fibre"},    {0x0C05, "SMBus"},
    {0x0C06, "Infini"},   {0x0D00, "IRDA"},     {0x0D01, "IR ctrl"},  {0x0D10, "RF ctrl"},
    {0x0D80, "Wireless"},
};

std::string Hex4(uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

} // namespace

std::string PciVendorName(uint16_t vendor_id)
{
    const auto* it = std::lower_bound(std::begin(kVendors), std::end(kVendors), vendor_id,
                                      [](const NamedCode& e, uint16_t c) { return e.code < c; });
    if (it != std::end(kVendors) && it->code == vendor_id) return it->name;
    return Hex4(vendor_id) + "*";
}

std::string PciDeviceIdName(uint16_t device_id)
{
    auto it = std::lower_bound(kPciDeviceNames.begin(), kPciDeviceNames.end(), device_id,
                               [](const PciDeviceName& e, uint16_t id) { return e.id < id; });
    if (it != kPciDeviceNames.end() && it->id == device_id) return it->name;
    return "ID " + Hex4(device_id) + "*";
}

std::string PciClassName(uint16_t class_code)
{
    const auto* it = std::lower_bound(std::begin(kClasses), std::end(kClasses), class_code,
                                      [](const NamedCode& e, uint16_t c) { return e.code < c; });
    if (it != std::end(kClasses) && it->code == class_code) return it->name;
    return Hex4(class_code);
}

} // namespace mrv
