#include "device/UsbDriver.h"

#include <algorithm>
#include <cctype>

#include "common/DiagnosticLog.h"
#include "device/ReportDescriptor.h"

namespace x5k {

bool ContainsIdentity(std::string_view text, std::string_view identity) {
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    return std::search(text.begin(), text.end(), identity.begin(), identity.end(),
                       [&](char a, char b) { return lower(a) == lower(b); }) != text.end();
}

CUSBDriver::CUSBDriver(HidBackend& backend, Clock& clock) : backend_(backend), clock_(clock) {}

std::shared_ptr<HidHandle> CUSBDriver::handle(HidAccess access) const {
    std::lock_guard lock(mutex_);
    return access == HidAccess::Read ? read_ : write_;
}

bool CUSBDriver::isOpen() const {
    std::lock_guard lock(mutex_);
    return read_ && write_;
}

void CUSBDriver::close() {
    std::lock_guard lock(mutex_);
    read_.reset();
    write_.reset();
}

bool CUSBDriver::discover() {
    close();
    diagnostic_.clear();
    for (const HidInterfaceInfo& info : backend_.enumerateInterfaces()) {
        // Other HID devices are only looked at, never opened.
        if (info.vendorId != kMouseVendorId || info.productId != kMouseProductId) continue;
        const ReportDescriptorResult parsed = ParseReportDescriptor(info.reportDescriptor);
        const VendorCapability vendor = FindVendorCapability(parsed.capabilities);
        if (!vendor.found) {
            if (!vendor.diagnostic.empty()) diagnostic_ = info.path + ": " + vendor.diagnostic;
            X5K_LOG("hid: ", info.path, ": no vendor capability",
                    vendor.diagnostic.empty() ? "" : ": ", vendor.diagnostic);
            continue;
        }
        if (vendor.reportCount < feature::kMinimumReportCount) {
            diagnostic_ = info.path + ": the vendor feature report holds " +
                          std::to_string(vendor.reportCount) + " bytes, too few for the commands";
            X5K_LOG("hid: ", diagnostic_);
            continue;
        }
        SysResult readCause;
        SysResult writeCause;
        std::shared_ptr<HidHandle> read = backend_.open(info.path, HidAccess::Read, readCause);
        std::shared_ptr<HidHandle> write = backend_.open(info.path, HidAccess::Write, writeCause);
        if (!read || !write) {
            X5K_LOG("hid: ", info.path,
                    ": the vendor interface cannot be opened: ", read ? writeCause : readCause);
            continue;
        }
        X5K_LOG("hid: ", info.path, ": vendor interface opened, report ID ", vendor.reportId,
                ", feature reports of ", vendor.reportCount + 1, " bytes");
        std::lock_guard lock(mutex_);
        reportId_ = vendor.reportId;
        reportCount_ = vendor.reportCount;
        read_ = std::move(read);
        write_ = std::move(write);
        return true;
    }
    X5K_LOG("hid: the mouse's vendor interface was not found");
    return false;
}

bool FirmwareLoaderPresent(HidBackend& backend, std::string_view identity) {
    const auto ids = backend.usbHardwareIds();
    return std::any_of(ids.begin(), ids.end(), [identity](const std::string& id) {
        return ContainsIdentity(id, identity);
    });
}

bool CUSBDriver::firmwareLoaderPresent(std::string_view identity) {
    return FirmwareLoaderPresent(backend_, identity);
}

}  // namespace x5k
