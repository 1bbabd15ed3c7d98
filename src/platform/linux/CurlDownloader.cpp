#include "platform/linux/CurlDownloader.h"

#include <arpa/inet.h>
#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <mutex>

#include "common/DiagnosticLog.h"

#ifndef X5K_PROGRAM_VERSION
#define X5K_PROGRAM_VERSION "0"
#endif

namespace x5k {
namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlText {
    char* text = nullptr;
    ~CurlText() { curl_free(text); }
};

bool LoopbackHost(std::string host) {
    if (host == "localhost") return true;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
        in6_addr address{};
        return ::inet_pton(AF_INET6, host.c_str(), &address) == 1 && IN6_IS_ADDR_LOOPBACK(&address);
    }
    in_addr address{};
    return ::inet_pton(AF_INET, host.c_str(), &address) == 1 &&
           (ntohl(address.s_addr) >> 24) == 127;
}

struct Transfer {
    std::string body;
    size_t cap = 0;
    bool tooLarge = false;
    const Downloader::Progress* progress = nullptr;
    const Downloader::Cancel* cancel = nullptr;
    bool cancelled = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (transfer.body.size() + bytes > transfer.cap) {
        transfer.tooLarge = true;
        return 0;  // aborts the transfer
    }
    transfer.body.append(data, bytes);
    return bytes;
}

int Progressed(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    auto& transfer = *static_cast<Transfer*>(user);
    if (*transfer.cancel && (*transfer.cancel)()) {
        transfer.cancelled = true;
        return 1;  // aborts the transfer: shutdown never waits on the network
    }
    if (*transfer.progress && now > 0) {
        (*transfer.progress)(static_cast<uint64_t>(now), static_cast<uint64_t>(total));
    }
    return 0;
}

void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

bool DownloadUrlAllowed(std::string_view url, bool fromHttps) {
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed ||
        curl_url_set(parsed.get(), CURLUPART_URL, std::string(url).c_str(), 0) != CURLUE_OK) {
        return false;
    }
    CurlText scheme, host;
    if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme.text, 0) != CURLUE_OK ||
        curl_url_get(parsed.get(), CURLUPART_HOST, &host.text, 0) != CURLUE_OK) {
        return false;
    }
    const std::string_view kind = scheme.text;
    if (kind == "https") return true;
    return kind == "http" && !fromHttps && LoopbackHost(host.text);
}

CurlDownloader::CurlDownloader() : CurlDownloader(Limits{}) {}

CurlDownloader::CurlDownloader(Limits limits) : limits_(limits) {
    InitialiseOnce();
}

std::string CurlDownloader::UserAgent() {
    return std::string("x5k-driver/") + X5K_PROGRAM_VERSION;
}

DownloadResult CurlDownloader::get(const std::string& url, size_t cap, const Progress& progress,
                                   const Cancel& cancel) {
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) return {DownloadStatus::Failed, {}, "curl_easy_init failed"};
    const std::string agent = UserAgent();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(limits_.transferMs);

    std::string current = url;
    bool https = false;
    // Redirects are followed here, not by libcurl, so every step is checked against
    // the same rules as the first URL.
    for (int step = 0;; ++step) {
        if (!DownloadUrlAllowed(current, https)) {
            X5K_LOG("download: refused ", current);
            return {DownloadStatus::Refused, {}, "URL not allowed: " + current};
        }
        https = current.rfind("https:", 0) == 0;
        const long left = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                deadline - std::chrono::steady_clock::now())
                                                .count());
        if (left <= 0) return {DownloadStatus::Failed, {}, "transfer time limit"};

        Transfer transfer;
        transfer.cap = cap;
        transfer.progress = &progress;
        transfer.cancel = &cancel;
        CURL* handle = easy.get();
        curl_easy_reset(handle);
        curl_easy_setopt(handle, CURLOPT_URL, current.c_str());
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, limits_.connectMs);
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, left);
        curl_easy_setopt(handle, CURLOPT_USERAGENT, agent.c_str());
        curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(cap));
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, WriteBody);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, Progressed);
        curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
        // This machine's own addresses never go through a proxy.
        curl_easy_setopt(handle, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
        // No cookie engine is switched on: nothing is stored or sent back.

        const CURLcode code = curl_easy_perform(handle);
        if (transfer.cancelled || code == CURLE_ABORTED_BY_CALLBACK) {
            return {DownloadStatus::Cancelled, {}, "cancelled"};
        }
        if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
            X5K_LOG("download: ", current, " is larger than ", cap, " bytes");
            return {DownloadStatus::TooLarge, {}, "larger than the cap"};
        }
        if (code != CURLE_OK) {
            X5K_LOG("download: ", current, ": ", curl_easy_strerror(code));
            return {DownloadStatus::Failed, {}, curl_easy_strerror(code)};
        }
        long status = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        if (status >= 300 && status < 400) {
            char* location = nullptr;
            curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &location);
            if (!location) return {DownloadStatus::Failed, {}, "redirect without a location"};
            if (step >= limits_.redirects) {
                return {DownloadStatus::Refused, {}, "too many redirects"};
            }
            current = location;
            continue;
        }
        if (status != 200) {
            return {DownloadStatus::Failed, {}, "status " + std::to_string(status)};
        }
        return {DownloadStatus::Ok, std::move(transfer.body), {}};
    }
}

}  // namespace x5k
