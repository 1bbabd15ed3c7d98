// libFuzzer target for the report-descriptor parser: any bytes must parse to a status
// without crashing, reading out of bounds or growing past the capability bound.
#include "device/ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const x5k::ReportDescriptorResult result = x5k::ParseReportDescriptor({data, size});
    if (result.capabilities.size() > x5k::kMaxCapabilities) __builtin_trap();
    x5k::FindVendorCapability(result.capabilities);
    return 0;
}
