#pragma once
// The update's downloads through libcurl: HTTPS with certificate verification, plain
// HTTP only to this machine's loopback addresses, at most three redirects and never
// from HTTPS down to HTTP, a connect and a transfer time limit, a size cap, no cookies.

#include <string>
#include <string_view>

#include "platform/Downloader.h"

namespace x5k {

// Whether a download may go to `url`: an https URL, or an http URL whose host is a
// loopback address. After an https step (`fromHttps`), only https.
bool DownloadUrlAllowed(std::string_view url, bool fromHttps);

class CurlDownloader final : public Downloader {
public:
    struct Limits {
        long connectMs = 10000;
        long transferMs = 120000;  // the whole transfer, redirects included
        int redirects = 3;
    };

    CurlDownloader();
    explicit CurlDownloader(Limits limits);

    DownloadResult get(const std::string& url, size_t cap, const Progress& progress,
                       const Cancel& cancel) override;

    // "x5k-driver/<version>"
    static std::string UserAgent();

private:
    Limits limits_;
};

}  // namespace x5k
