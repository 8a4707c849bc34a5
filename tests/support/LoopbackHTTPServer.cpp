#include "tests/support/LoopbackHTTPServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace mw::test {

namespace {

const char* reasonOf(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

bool sendAll(int socket, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

} // namespace

LoopbackHTTPServer::LoopbackHTTPServer()
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 16);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

LoopbackHTTPServer::~LoopbackHTTPServer()
{
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

std::string LoopbackHTTPServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackHTTPServer::script(const std::string& path, Reply reply)
{
    std::lock_guard<std::mutex> guard(mutex_);
    replies_[path] = std::move(reply);
}

std::vector<LoopbackHTTPServer::Request> LoopbackHTTPServer::requests() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return requests_;
}

std::vector<std::string> LoopbackHTTPServer::requestLines() const
{
    std::vector<std::string> lines;
    for (const auto& request : requests()) lines.push_back(request.method + " " + request.path);
    return lines;
}

void LoopbackHTTPServer::serve()
{
    while (!stopping_) {
        pollfd watch{listener_, POLLIN, 0};
        if (::poll(&watch, 1, 20) <= 0) continue;
        int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        answer(client);
        ::close(client);
    }
}

void LoopbackHTTPServer::answer(int client)
{
    std::string received;
    char buffer[16384];
    size_t headEnd = std::string::npos;
    while (headEnd == std::string::npos) {
        pollfd watch{client, POLLIN, 0};
        if (::poll(&watch, 1, 5000) <= 0) return;
        ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        received.append(buffer, static_cast<size_t>(got));
        headEnd = received.find("\r\n\r\n");
    }
    Request request;
    std::string head = received.substr(0, headEnd);
    size_t lineEnd = head.find("\r\n");
    std::string first = head.substr(0, lineEnd);
    size_t space = first.find(' ');
    request.method = first.substr(0, space);
    request.path = first.substr(space + 1, first.rfind(' ') - space - 1);
    size_t at = lineEnd;
    while (at != std::string::npos && at < head.size()) {
        size_t next = head.find("\r\n", at + 2);
        std::string line = head.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2);
        size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
            size_t valueStart = line.find_first_not_of(' ', colon + 1);
            request.headers[name] = valueStart == std::string::npos ? "" : line.substr(valueStart);
        }
        at = next;
    }
    size_t bodyLength = 0;
    if (auto length = request.headers.find("content-length"); length != request.headers.end()) {
        bodyLength = std::strtoul(length->second.c_str(), nullptr, 10);
    }
    request.body = received.substr(headEnd + 4);
    while (request.body.size() < bodyLength) {
        ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        request.body.append(buffer, static_cast<size_t>(got));
    }
    Reply reply;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        requests_.push_back(request);
        auto found = replies_.find(request.path);
        if (found != replies_.end()) {
            reply = found->second;
        } else {
            reply.status = 404;
            reply.body = "not found";
        }
    }
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + reasonOf(reply.status) + "\r\n";
    for (const auto& [name, value] : reply.headers) out += name + ": " + value + "\r\n";
    if (reply.sendLength) out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    if (!sendAll(client, out.data(), out.size())) return;
    if (request.method == "HEAD") return;
    size_t bodyBytes = std::min(reply.body.size(), reply.dropAfter);
    sendAll(client, reply.body.data(), bodyBytes);
}

} // namespace mw::test
