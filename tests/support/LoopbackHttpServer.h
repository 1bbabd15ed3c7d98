#pragma once
// A tiny HTTP/1.0 server on 127.0.0.1 with an ephemeral port, for the download tests:
// each path has a scripted reply, and every request's head is kept.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace x5k::test {

struct HttpReply {
    enum class Mode {
        Whole,     // with Content-Length
        NoLength,  // the body until the connection closes
        Hang,      // nothing at all until the client gives up
        DropHalf,  // announces the whole length, sends half and closes
    };
    std::string body = {};
    std::string status = "200 OK";
    std::string headers = {};  // extra lines, each ending in "\r\n"
    Mode mode = Mode::Whole;
};

class LoopbackHttpServer {
public:
    explicit LoopbackHttpServer(std::map<std::string, HttpReply> routes)
        : routes_(std::move(routes)) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listen_, 8);
        socklen_t length = sizeof address;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        if (::pipe(stop_) != 0) stop_[0] = stop_[1] = -1;
        thread_ = std::thread([this] { serve(); });
    }
    ~LoopbackHttpServer() {
        const char byte = 0;
        (void)!::write(stop_[1], &byte, 1);
        thread_.join();
        ::close(listen_);
        ::close(stop_[0]);
        ::close(stop_[1]);
    }
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::string url(const std::string& path) const { return base() + path; }
    // Sets the reply for one path; replies naming the server's own address are made once
    // its port is known.
    void setRoute(const std::string& path, HttpReply reply) {
        std::lock_guard lock(mutex_);
        routes_[path] = std::move(reply);
    }
    std::vector<std::string> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    // Waits until `fd` is readable; false when the server is stopping.
    bool waitReadable(int fd) const {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stop_[0], POLLIN, 0}};
        while (::poll(fds, 2, -1) < 0) {
        }
        return (fds[1].revents & POLLIN) == 0;
    }
    void sendAll(int fd, std::string_view bytes) const {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0) return;
            bytes.remove_prefix(static_cast<size_t>(sent));
        }
    }
    void serve() {
        while (waitReadable(listen_)) {
            const int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            answer(client);
            ::close(client);
        }
    }
    void answer(int client) {
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            if (!waitReadable(client)) return;
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) return;
            head.append(buffer, static_cast<size_t>(got));
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(head);
        }
        const size_t start = head.find(' ') + 1;
        const std::string path = head.substr(start, head.find(' ', start) - start);
        HttpReply reply;
        {
            std::lock_guard lock(mutex_);
            const auto found = routes_.find(path);
            if (found == routes_.end()) {
                sendAll(client, "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
                return;
            }
            reply = found->second;
        }
        if (reply.mode == HttpReply::Mode::Hang) {
            // Until the client closes its end (or the server stops).
            while (waitReadable(client) && ::recv(client, buffer, sizeof buffer, 0) > 0) {
            }
            return;
        }
        std::string out = "HTTP/1.0 " + reply.status + "\r\n" + reply.headers;
        if (reply.mode != HttpReply::Mode::NoLength) {
            out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
        }
        out += "\r\n";
        sendAll(client, out);
        sendAll(client, reply.mode == HttpReply::Mode::DropHalf
                            ? std::string_view(reply.body).substr(0, reply.body.size() / 2)
                            : std::string_view(reply.body));
    }

    std::map<std::string, HttpReply> routes_;
    int listen_ = -1;
    int stop_[2] = {-1, -1};
    uint16_t port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

}  // namespace x5k::test
