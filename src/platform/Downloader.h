#pragma once
// Fetches a URL into memory for the firmware update. The only network access of the
// program: the body is held in memory up to a cap and the caller writes it to its file
// only when the whole body arrived.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace x5k {

enum class DownloadStatus {
    Ok,
    Failed,     // no connection, an error status, a dropped connection, a time limit
    TooLarge,   // the body went past the cap; what arrived is thrown away
    Refused,    // the URL or a redirect broke the transport rules (scheme, host, count)
    Cancelled,  // the caller's cancel predicate said stop
};

struct DownloadResult {
    DownloadStatus status = DownloadStatus::Failed;
    std::string body;    // the whole body when status is Ok, empty otherwise
    std::string detail;  // the cause, for the diagnostic log

    bool ok() const { return status == DownloadStatus::Ok; }
};

class Downloader {
public:
    // Called while the body arrives: bytes so far and the announced total (0 when
    // unknown).
    using Progress = std::function<void(uint64_t received, uint64_t total)>;
    // Asked repeatedly during the transfer; true aborts it.
    using Cancel = std::function<bool()>;

    virtual ~Downloader() = default;
    // Fetches `url`, blocking. A body larger than `cap` bytes counts as failed.
    virtual DownloadResult get(const std::string& url, size_t cap, const Progress& progress,
                               const Cancel& cancel) = 0;
};

}  // namespace x5k
