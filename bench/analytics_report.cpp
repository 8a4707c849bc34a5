// The analytics report against plain baselines measured in the same run:
// the session records of 50 sessions of 1,000 events each against a minimal
// big-endian writer producing the same bytes from plain structs; the report's
// CRC-32 over 1 MiB against zlib's crc32; and the cost of logging one event
// on the main thread.
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "analytics/TallySession.h"
#include "bench/BenchSummary.h"
#include "foundation/Log.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct PlainEvent {
    uint16_t number;
    std::string name;
    std::vector<std::pair<std::string, std::string>> parameters;
    int64_t offset;
    int64_t duration;
};

struct PlainSession {
    std::string appVersion, locale, timeZone;
    int64_t start, length, pause;
    bool internet;
    std::vector<std::pair<std::string, int32_t>> counts;
    std::vector<PlainEvent> events;
    bool complete;
};

struct Writer {
    Bytes& out;
    void u8(uint8_t v) { out.push_back(v); }
    void be(uint64_t v, int bytes)
    {
        for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
    }
    void text(const std::string& s)
    {
        be(s.size(), 2);
        out.insert(out.end(), s.begin(), s.end());
    }
};

void writePlain(const PlainSession& s, Bytes& out)
{
    Writer w { out };
    w.be(1, 2);
    w.text(s.appVersion);
    w.be(uint64_t(s.start), 8);
    w.be(uint64_t(s.length), 8);
    w.be(uint64_t(s.pause), 8);
    w.text(s.locale);
    w.text(s.timeZone);
    w.u8(s.internet);
    w.text("");
    w.u8(1);
    w.be(0, 8);
    w.be(0, 8);
    w.be(0, 4);
    w.be(0, 4);
    w.u8(0xFF);
    w.u8(0);
    w.be(s.counts.size(), 2);
    for (const auto& [name, count] : s.counts) {
        w.text(name);
        w.be(uint32_t(count), 4);
    }
    w.be(s.events.size(), 2);
    for (const PlainEvent& e : s.events) {
        w.be(e.number, 2);
        w.text(e.name);
        w.be(e.parameters.size(), 2);
        for (const auto& [key, value] : e.parameters) {
            w.text(key);
            w.text(value);
        }
        w.be(uint64_t(e.offset), 8);
        w.be(uint64_t(e.duration), 8);
    }
    w.u8(s.complete);
    w.be(0, 4);
    w.be(0, 2);
    w.be(0, 2);
    w.be(0, 2);
}

struct Fixture {
    std::vector<mw::Ref<mw::TallySession>> sessions;
    std::vector<PlainSession> plain;
};

const char* const kNames[] = { "MiniGames", "MoneyUsage",  "Tool", "Language",
                               "Level Up",  "Achievement", "InApp" };

Fixture& fixture()
{
    static Fixture* built = [] {
        auto* f = new Fixture();
        for (int s = 0; s < 50; ++s) {
            auto session = mw::TallySession::sessionWithAPIKey("QX3TR7WMB2KJ9PLD4HSZ", "1.0");
            for (int e = 0; e < 1000; ++e) {
                const char* name = kNames[e % 7];
                session->recordEvent(name, mw::Value::dictionary({ { name, "value " + std::to_string(e) } }));
            }
            session->endSessionAndSend(false, false);
            PlainSession p { session->appVersion(),
                             session->locale(),
                             session->timeZone(),
                             int64_t(session->startTime() * 1000),
                             session->sessionLength(),
                             session->totalPauseIntervalMillis(),
                             session->internetAvailable(),
                             {},
                             {},
                             session->eventLogComplete() };
            for (const auto& [name, count] : session->eventCounts())
                p.counts.emplace_back(name, count.asInt());
            for (const auto& event : session->eventLog()) {
                PlainEvent pe { uint16_t(event->eventLogId()),
                                event->name(),
                                {},
                                event->startOffsetFromSessionStart(session->startTime()),
                                event->duration() };
                for (const auto& [key, value] : event->parameters().asDict())
                    pe.parameters.emplace_back(key, value.asString());
                p.events.push_back(std::move(pe));
            }
            f->sessions.push_back(session);
            f->plain.push_back(std::move(p));
        }
        return f;
    }();
    return *built;
}

void BM_SessionRecords(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        Bytes report;
        for (const auto& session : f.sessions) {
            const auto record = session->data();
            report.insert(report.end(), record->begin(), record->end());
        }
        benchmark::DoNotOptimize(report.data());
    }
}
BENCHMARK(BM_SessionRecords)->Unit(benchmark::kMillisecond);

void BM_PlainWriterRecords(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        Bytes report;
        for (const PlainSession& p : f.plain) writePlain(p, report);
        benchmark::DoNotOptimize(report.data());
    }
}
BENCHMARK(BM_PlainWriterRecords)->Unit(benchmark::kMillisecond);

Bytes& mebibyte()
{
    static Bytes data = [] {
        Bytes bytes(1 << 20);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 131 + (i >> 9));
        return bytes;
    }();
    return data;
}

void BM_ReportChecksum(benchmark::State& state)
{
    for (auto _ : state) {
        Bytes data = mebibyte();
        benchmark::DoNotOptimize(mw::TallySession::appendSessionsDataChecksum(data));
    }
}
BENCHMARK(BM_ReportChecksum)->Unit(benchmark::kMicrosecond);

void BM_ZlibCrc32(benchmark::State& state)
{
    for (auto _ : state) {
        Bytes data = mebibyte(); // the same copy as the measured side makes
        benchmark::DoNotOptimize(crc32(crc32(0, Z_NULL, 0), data.data(), uInt(data.size())));
    }
}
BENCHMARK(BM_ZlibCrc32)->Unit(benchmark::kMicrosecond);

void BM_LogEvent(benchmark::State& state)
{
    mw::TallySession::setCurrentSession(mw::TallySession::sessionWithAPIKey("QX3TR7WMB2KJ9PLD4HSZ", "1.0"));
    int logged = 0;
    for (auto _ : state) {
        // A session keeps 1,000 events; a fresh one keeps the cost that of a logged event.
        if (++logged == 1000) {
            state.PauseTiming();
            mw::TallySession::setCurrentSession(
                mw::TallySession::sessionWithAPIKey("QX3TR7WMB2KJ9PLD4HSZ", "1.0"));
            logged = 0;
            state.ResumeTiming();
        }
        mw::TallyAnalytics::logEvent("MoneyUsage", { { "MoneyUsage", "Shop Buy" } });
    }
    mw::TallySession::setCurrentSession(nullptr);
}
BENCHMARK(BM_LogEvent)->Unit(benchmark::kNanosecond);

} // namespace

int main(int argc, char** argv)
{
    std::string scratch;
    if (!std::getenv("MOSSWICK_HOME")) {
        char pattern[] = "/tmp/mosswick-analytics-bench-XXXXXX";
        if (!mkdtemp(pattern)) return 1;
        scratch = pattern;
        setenv("MOSSWICK_HOME", scratch.c_str(), 1);
    }
    mw::setLogSink([](const std::string&) {});
    // The two writers must agree before their times mean anything.
    Fixture& f = fixture();
    for (size_t i = 0; i < f.sessions.size(); ++i) {
        Bytes plain;
        writePlain(f.plain[i], plain);
        if (*f.sessions[i]->data() != plain) {
            std::fprintf(stderr, "the plain writer disagrees with the session record %zu\n", i);
            return 1;
        }
    }
    mw::bench::SummaryReporter reporter;
    const int status =
        mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
            mw::bench::printRatio(r, "50 x 1000-event records", "BM_SessionRecords", "BM_PlainWriterRecords",
                                  "ms");
            mw::bench::printRatio(r, "CRC-32 of 1 MiB", "BM_ReportChecksum", "BM_ZlibCrc32", "us");
            if (const mw::bench::Figure* log = r.find("BM_LogEvent")) {
                std::printf("%-32s %8.0f ns per event on the main thread\n", "logEvent", log->value());
            }
        });
    mw::TallyAnalytics::clearRecordedEvents();
    if (!scratch.empty()) std::filesystem::remove_all(scratch);
    return status;
}
