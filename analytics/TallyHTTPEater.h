#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analytics/TallyHTTPResponse.h"

namespace mw {

// The analytics client's requests: one request at a time, answered on the
// calling thread through the platform's transport.
class TallyHTTPEater {
public:
    using Fields = TallyHTTPResponse::Fields;

    static TallyHTTPResponse get(const std::string& url, const Fields& headerFields = {});
    static TallyHTTPResponse post(const std::string& url, const std::vector<uint8_t>& body,
                                  const Fields& headerFields = {});
    // Sends and waits for the answer, which is never missing, except with
    // `useWebView`: the request is then handed to a thread of its own and
    // nothing is answered.
    static std::optional<TallyHTTPResponse> sendMethod(const std::string& method, const std::string& url,
                                                       const std::vector<uint8_t>& body,
                                                       const Fields& headerFields, int timeoutSeconds,
                                                       bool useWebView);

    // "key=value" pairs joined by "&", nothing escaped.
    static std::string queryDictionaryToString(const Fields& query);
    // "<protocol or http>://<host>[:<port>]/<path>?<query>"; port 0 and 80
    // are left out. Nothing when the text is no address (spaces or control
    // characters, or no host).
    static std::optional<std::string> urlWithProtocol(const std::optional<std::string>& protocol,
                                                      const std::optional<std::string>& host, int port,
                                                      const std::optional<std::string>& path,
                                                      const std::optional<std::string>& query);
};

} // namespace mw
