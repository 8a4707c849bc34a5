#pragma once

// Set-up shared by the benchmarks that fetch from the loopback social
// service: a scratch home, the session made with the benchmark's identity,
// the service routed in, and the baseline they all measure against, a plain
// libcurl multi loop sending the record transfer's own headers with the same
// trust and routing. Programs that use it link the tests' support library.

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <sys/resource.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/LoopbackCurl.h"
#include "foundation/Paths.h"
#include "platform/HTTPTransport.h"
#include "social/session/CCPrivateSession.h"
#include "social/session/LumoraSlimlineSession.h"
#include "social/queues/records/CCAbstractServerData.h"
#include "tests/support/LoopbackSocialService.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedDeviceServices.h"

namespace mw::bench {

// The session set up against the loopback service, its home a scratch
// folder. Scripts are added by the program; the session's own telemetry
// stays silent (setting 2) so that only the measured requests are served.
struct SocialServiceStage {
    explicit SocialServiceStage(const std::string& prefix)
        : home(prefix), env(std::make_unique<test::ScopedEnv>("MOSSWICK_HOME", home.path().string()))
    {
        Paths::createDirectories(Paths::documentsDirectory());
        LumoraSlimlineSession::initWithAppID("4817302956", nullptr, 1.0, "mosswick_01",
                                             "zk4wq8nrt2vyhc6md0xfa3sj5gpb1e");
        CCPrivateSession::sharedInstance()->activateLumoraSetting(2, Value("YES"));
        service.setKeepsRequests(false);
        service.route();
        connectTo = CCPrivateSession::serviceHost() + ":443:127.0.0.1:" + std::to_string(service.tlsPort());
    }

    static std::string url(const std::string& path)
    {
        return test::LoopbackSocialService::httpsUrl(CCPrivateSession::serviceHost(), path);
    }

    // The header lines the record transfer sends for `probe`, as libcurl
    // takes them, with libcurl's own Accept and Expect switched off.
    void takeHeadersOf(const CCAbstractServerData& probe)
    {
        HTTPRequest request;
        request.url = probe.url();
        request.headers.set("Content-Type", "application/json");
        CCPrivateSession::sharedInstance()->addHeadersToURLRequest(request);
        probe.addUserAgentToHeaders(request);
        headerLines.clear();
        for (const auto& [name, value] : request.headers) headerLines.push_back(name + ": " + value);
        headerLines.push_back("Accept:");
        headerLines.push_back("Expect:");
    }

    ScratchFolder home;
    std::unique_ptr<test::ScopedEnv> env;
    test::ScopedDeviceServices services;
    test::LoopbackSocialService service;
    std::vector<std::string> headerLines;
    std::string connectTo;
};

// CPU seconds of the whole process so far, every thread's: the measured
// client's (any helper thread included) and the loopback service's. The
// service does the same work for a request whoever sends it, so the
// difference between two benchmarks of the same requests is their clients'.
inline double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Per-iteration counters every network benchmark reports: the TLS handshakes
// the service saw and the process's CPU time in milliseconds (see above).
// Made before the measured loop; report() after it.
class ServiceCounters {
public:
    explicit ServiceCounters(const SocialServiceStage& stage)
        : stage_(stage), handshakes_(stage.service.handshakes()), cpu_(processCpuSeconds())
    {
    }
    void report(benchmark::State& state) const
    {
        state.counters["handshakes"] =
            benchmark::Counter(stage_.service.handshakes() - handshakes_, benchmark::Counter::kAvgIterations);
        state.counters["process_cpu_ms"] =
            benchmark::Counter((processCpuSeconds() - cpu_) * 1000, benchmark::Counter::kAvgIterations);
    }

private:
    const SocialServiceStage& stage_;
    int handshakes_;
    double cpu_;
};

// The baseline: libcurl's multi interface alone fetching `paths` from the
// stage's service `atOnce` at a time, with the stage's headers, trust and
// routing, connections kept across calls as the platform transport keeps
// them. `bufferBytes` 0 keeps libcurl's receive buffer. Answers the body bytes received; a transfer that fails or
// is not answered 200 skips the benchmark.
inline size_t plainMultiFetch(benchmark::State& state, const SocialServiceStage& stage,
                              const std::vector<std::string>& paths, int atOnce, long bufferBytes = 0)
{
    // The transport's connection policy: one multi handle for the run, the
    // same number of idle connections kept.
    static CURLM* multi = [] {
        CURLM* made = curl_multi_init();
        curl_multi_setopt(made, CURLMOPT_MAXCONNECTS, HTTPTransport::kIdleConnectionsKept);
        return made;
    }();
    curl_slist* headers = nullptr;
    for (const std::string& line : stage.headerLines) headers = curl_slist_append(headers, line.c_str());
    curl_slist* routing = curl_slist_append(nullptr, stage.connectTo.c_str());
    const std::string authority = stage.service.authorityFile();
    std::vector<std::unique_ptr<std::string>> bodies;
    size_t next = 0;
    size_t done = 0;
    auto add = [&] {
        bodies.push_back(std::make_unique<std::string>());
        CURL* e = loopbackGet(SocialServiceStage::url(paths[next++]), headers, routing, authority,
                              bodies.back().get());
        if (bufferBytes > 0) curl_easy_setopt(e, CURLOPT_BUFFERSIZE, bufferBytes);
        curl_multi_add_handle(multi, e);
    };
    while (next < paths.size() && next < static_cast<size_t>(atOnce)) add();
    while (done < paths.size()) {
        int running = 0;
        curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg != CURLMSG_DONE) continue;
            long status = 0;
            curl_easy_getinfo(message->easy_handle, CURLINFO_RESPONSE_CODE, &status);
            if (message->data.result != CURLE_OK || status != 200) state.SkipWithError("a transfer failed");
            curl_multi_remove_handle(multi, message->easy_handle);
            curl_easy_cleanup(message->easy_handle);
            ++done;
            if (next < paths.size()) add();
        }
        if (done < paths.size()) curl_multi_poll(multi, nullptr, 0, 10, nullptr);
    }
    curl_slist_free_all(headers);
    curl_slist_free_all(routing);
    size_t received = 0;
    for (const auto& body : bodies) received += body->size();
    return received;
}

} // namespace mw::bench
