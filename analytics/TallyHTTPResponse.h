#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/HTTPTransport.h"

namespace mw {

// One answer of the report service: status (0 when none arrived), header
// fields, body and the transfer's error. It can be saved to a file and read
// back, so a saved answer can stand in for the service.
class TallyHTTPResponse {
public:
    using Fields = std::vector<std::pair<std::string, std::string>>;

    TallyHTTPResponse() = default;
    TallyHTTPResponse(std::vector<uint8_t> body, int statusCode, Fields headers, std::string error)
        : body_(std::move(body))
        , statusCode_(statusCode)
        , headers_(std::move(headers))
        , error_(std::move(error))
    {
    }
    // With a status, the transport's answer whole; without one, only its error.
    static TallyHTTPResponse fromTransport(const HTTPResponse& response);

    const std::vector<uint8_t>& body() const { return body_; }
    int statusCode() const { return statusCode_; }
    const Fields& headers() const { return headers_; }
    const std::string& error() const { return error_; }
    // Where the request ended after redirects.
    const std::string& finalUrl() const { return finalUrl_; }

    // Status 200 to 399.
    bool isSuccess() const { return statusCode_ >= 200 && statusCode_ <= 399; }
    bool isError() const { return !isSuccess(); }
    std::string description() const;

    // Writes "<documents>/tallyResponse<seconds since 1970>"; the path, or
    // empty (logged) when not written.
    std::string saveToDisk() const;
    // The answer saved at the address (a file path, or a file:, http: or
    // https: address); status 0 and nothing else when it cannot be read.
    static TallyHTTPResponse readFromURL(const std::string& url);
    static std::string filePath(int64_t number);
    // Parses saved-answer bytes; nothing when they are no such dictionary.
    static std::optional<TallyHTTPResponse> parseSaved(const std::vector<uint8_t>& bytes);

private:
    std::vector<uint8_t> body_;
    int statusCode_ = 0;
    Fields headers_;
    std::string error_;
    std::string finalUrl_;
};

} // namespace mw
