#include "tests/support/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace mw::test {

namespace {

bool readMore(int fd, std::string& buffer)
{
    char chunk[65536];
    const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
    if (got <= 0) return false;
    buffer.append(chunk, size_t(got));
    return true;
}

void sendAll(int fd, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += size_t(n);
    }
}

} // namespace

std::string LoopbackHttpServer::Request::header(const std::string& name) const
{
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
    }
    return std::string();
}

bool LoopbackHttpServer::Request::hasHeader(const std::string& name) const
{
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0) return true;
    }
    return false;
}

LoopbackHttpServer::LoopbackHttpServer(Handler handler)
    : handler_(std::move(handler))
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
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

LoopbackHttpServer::~LoopbackHttpServer()
{
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

std::string LoopbackHttpServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

std::string LoopbackHttpServer::response(int status, const std::string& body,
                                         const std::vector<std::pair<std::string, std::string>>& fields)
{
    std::string text = "HTTP/1.1 " + std::to_string(status) + " Status\r\n";
    for (const auto& [name, value] : fields) text += name + ": " + value + "\r\n";
    text += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    return text;
}

void LoopbackHttpServer::serve()
{
    while (!stopping_) {
        pollfd waiting { listener_, POLLIN, 0 };
        if (::poll(&waiting, 1, 50) <= 0) continue;
        const int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0) continue;
        std::string buffer;
        size_t headerEnd = std::string::npos;
        while ((headerEnd = buffer.find("\r\n\r\n")) == std::string::npos && readMore(fd, buffer)) { }
        if (headerEnd == std::string::npos) {
            ::close(fd);
            continue;
        }
        Request request;
        const std::string head = buffer.substr(0, headerEnd);
        size_t lineEnd = head.find("\r\n");
        const std::string requestLine = head.substr(0, lineEnd);
        const size_t firstSpace = requestLine.find(' ');
        const size_t secondSpace = requestLine.find(' ', firstSpace + 1);
        request.method = requestLine.substr(0, firstSpace);
        request.target = requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1);
        while (lineEnd != std::string::npos && lineEnd < head.size()) {
            const size_t next = head.find("\r\n", lineEnd + 2);
            const std::string line =
                head.substr(lineEnd + 2, next == std::string::npos ? std::string::npos : next - lineEnd - 2);
            const size_t colon = line.find(':');
            if (colon != std::string::npos) {
                size_t valueStart = colon + 1;
                while (valueStart < line.size() && line[valueStart] == ' ') ++valueStart;
                request.headers.emplace_back(line.substr(0, colon), line.substr(valueStart));
            }
            lineEnd = next;
        }
        const size_t length = std::strtoul(request.header("Content-Length").c_str(), nullptr, 10);
        std::string body = buffer.substr(headerEnd + 4);
        while (body.size() < length && readMore(fd, body)) { }
        request.body.assign(body.begin(), body.end());
        {
            std::lock_guard<std::mutex> guard(lock_);
            requests_.push_back(request);
        }
        const std::string answer = handler_(request);
        if (!answer.empty()) sendAll(fd, answer);
        ::close(fd);
    }
}

} // namespace mw::test
