#pragma once

// The plain libcurl side of the network benchmarks' baselines: a GET to the
// tests' loopback service made as the platform transport makes it, with the
// header lines, the connect-to routing and the trust the caller gives.

#include <curl/curl.h>

#include <cstddef>
#include <string>

namespace mw::bench {

// libcurl's write callback: appends what arrives to the std::string at `user`.
inline size_t collectBody(char* bytes, size_t size, size_t count, void* user)
{
    static_cast<std::string*>(user)->append(bytes, size * count);
    return size * count;
}

// A new easy handle for a GET of `url` over HTTP/1.1 that accepts gzip and
// deflate, sends `headers`, connects as `routing` says, trusts the
// certificate authority in the file `authority` and appends the body to
// `body`. The lists and the body must outlive the handle; the caller cleans it up.
inline CURL* loopbackGet(const std::string& url, curl_slist* headers, curl_slist* routing,
                         const std::string& authority, std::string* body)
{
    CURL* e = curl_easy_init();
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(e, CURLOPT_CONNECT_TO, routing);
    curl_easy_setopt(e, CURLOPT_CAINFO, authority.c_str());
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, collectBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, body);
    // As the platform transport: no signal handlers swapped around each call.
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    return e;
}

} // namespace mw::bench
