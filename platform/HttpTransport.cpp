#include "platform/HttpTransport.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <string_view>

namespace mw {

namespace {

struct Transfer {
    HttpResponse response;
};

size_t collectBody(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    transfer->response.body.insert(transfer->response.body.end(), data, data + size * count);
    return size * count;
}

std::string trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return std::string(text);
}

size_t collectHeader(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const std::string_view line(data, size * count);
    // A status line starts the fields of a new response: only the latest one's are kept.
    if (line.rfind("HTTP/", 0) == 0) {
        transfer->response.headers.clear();
    } else if (const size_t colon = line.find(':'); colon != std::string_view::npos) {
        transfer->response.headers.emplace_back(trimmed(line.substr(0, colon)),
                                                trimmed(line.substr(colon + 1)));
    }
    return size * count;
}

bool hasHeader(const HttpRequest& request, std::string_view name)
{
    return std::any_of(request.headers.begin(), request.headers.end(), [&](const auto& field) {
        return field.first.size() == name.size() &&
               std::equal(name.begin(), name.end(), field.first.begin(),
                          [](char a, char b) { return std::tolower(a) == std::tolower(b); });
    });
}

class CurlTransport : public HttpTransport {
public:
    CurlTransport()
    {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    }

    HttpResponse send(const HttpRequest& request) override
    {
        Transfer transfer;
        transfer.response.finalUrl = request.url;
        CURL* curl = curl_easy_init();
        if (!curl) {
            transfer.response.error = "cannot make a transfer";
            return transfer.response;
        }
        curl_slist* fields = nullptr;
        for (const auto& [name, value] : request.headers)
            fields = curl_slist_append(fields, (name + ": " + value).c_str());
        // libcurl's own additions are switched off: the caller's fields are the request's.
        for (const char* own : { "Accept", "Expect", "Content-Type" }) {
            if (!hasHeader(request, own))
                fields = curl_slist_append(fields, (std::string(own) + ":").c_str());
        }
        curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeoutSeconds * 1000));
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, fields);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collectBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, collectHeader);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
        if (request.method == "POST" || !request.body.empty()) {
            curl_easy_setopt(curl, CURLOPT_POST, 1L);
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
        }
        if (request.method != "GET" && request.method != "POST") {
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        }
        const CURLcode result = curl_easy_perform(curl);
        if (result != CURLE_OK) transfer.response.error = curl_easy_strerror(result);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        transfer.response.status = static_cast<int>(status);
        if (char* effective = nullptr;
            curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective) {
            transfer.response.finalUrl = effective;
        }
        curl_slist_free_all(fields);
        curl_easy_cleanup(curl);
        return transfer.response;
    }
};

std::mutex gLock;
std::shared_ptr<HttpTransport>& installed()
{
    static std::shared_ptr<HttpTransport> transport = std::make_shared<CurlTransport>();
    return transport;
}

} // namespace

std::shared_ptr<HttpTransport> HttpTransport::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return installed();
}

std::shared_ptr<HttpTransport> HttpTransport::replaceSharedInstance(std::shared_ptr<HttpTransport> transport)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!transport) transport = std::make_shared<CurlTransport>();
    std::swap(transport, installed());
    return transport;
}

} // namespace mw
