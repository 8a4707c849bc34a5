#pragma once

// A reader of the analytics report written apart from the writer: it walks
// every field in the order the format lays them down, so a field written
// with the wrong width or left out shows up as a wrong value further on or as
// bytes left over. It shares no code with the client.

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace mw::test {

class ByteReader {
public:
    explicit ByteReader(const std::vector<uint8_t>& bytes, size_t begin = 0, size_t end = SIZE_MAX)
        : bytes_(bytes)
        , position_(begin)
        , end_(end == SIZE_MAX ? bytes.size() : end)
    {
    }

    size_t position() const { return position_; }
    size_t remaining() const { return end_ - position_; }
    bool atEnd() const { return position_ == end_; }

    uint64_t unsignedNumber(int width)
    {
        need(width);
        uint64_t value = 0;
        for (int i = 0; i < width; ++i) value = (value << 8) | bytes_[position_++];
        return value;
    }
    uint8_t u8() { return static_cast<uint8_t>(unsignedNumber(1)); }
    int8_t i8() { return static_cast<int8_t>(u8()); }
    uint16_t u16() { return static_cast<uint16_t>(unsignedNumber(2)); }
    int32_t i32() { return static_cast<int32_t>(static_cast<uint32_t>(unsignedNumber(4))); }
    uint32_t u32() { return static_cast<uint32_t>(unsignedNumber(4)); }
    int64_t i64() { return static_cast<int64_t>(unsignedNumber(8)); }
    float f32()
    {
        const uint32_t bits = u32();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    double f64()
    {
        const uint64_t bits = unsignedNumber(8);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    bool boolean()
    {
        const uint8_t byte = u8();
        if (byte > 1) throw std::runtime_error("boolean byte " + std::to_string(byte));
        return byte == 1;
    }
    std::vector<uint8_t> bytes(size_t count)
    {
        need(count);
        std::vector<uint8_t> taken(bytes_.begin() + position_, bytes_.begin() + position_ + count);
        position_ += count;
        return taken;
    }
    std::string string()
    {
        const size_t length = u16();
        const std::vector<uint8_t> raw = bytes(length);
        return std::string(raw.begin(), raw.end());
    }
    std::vector<uint8_t> shortData() { return bytes(u16()); }

private:
    void need(size_t count)
    {
        if (count > remaining()) {
            throw std::runtime_error("field of " + std::to_string(count) + " bytes at " +
                                     std::to_string(position_) + " runs past the end");
        }
    }

    const std::vector<uint8_t>& bytes_;
    size_t position_;
    size_t end_;
};

struct DecodedEvent {
    uint16_t number = 0;
    std::string name;
    std::vector<std::pair<std::string, std::string>> parameters;
    int64_t startOffset = 0;
    int64_t duration = 0;
};

inline DecodedEvent readEvent(ByteReader& reader)
{
    DecodedEvent event;
    event.number = reader.u16();
    event.name = reader.string();
    const uint16_t count = reader.u16();
    for (uint16_t i = 0; i < count; ++i) {
        std::string key = reader.string();
        event.parameters.emplace_back(std::move(key), reader.string());
    }
    event.startOffset = reader.i64();
    event.duration = reader.i64();
    return event;
}

struct DecodedError {
    uint16_t number = 0;
    int64_t date = 0;
    std::string errorId;
    std::string message;
    std::string exceptionText;
};

struct DecodedSession {
    uint16_t version = 0;
    std::string appVersion;
    int64_t startTime = 0;
    int64_t length = 0;
    int64_t pauseMillis = 0;
    std::string locale;
    std::string timeZone;
    bool internetAvailable = false;
    std::string userID;
    bool locationPresent = false;
    double latitude = 0;
    double longitude = 0;
    float accuracy = 0;
    int32_t pageViews = 0;
    int8_t gender = 0;
    bool agePresent = false;
    int64_t age = 0;
    std::vector<std::pair<std::string, int32_t>> eventCounts;
    std::vector<DecodedEvent> events;
    bool eventLogComplete = false;
    int32_t totalErrors = 0;
    std::vector<DecodedError> errors;
    uint16_t adImpressions = 0;
    uint16_t promoSpotImpressions = 0;
};

// Impression entries have no length of their own: a record that holds any
// cannot be walked past, so the reader refuses it.
inline DecodedSession readSession(ByteReader& reader)
{
    DecodedSession s;
    s.version = reader.u16();
    s.appVersion = reader.string();
    s.startTime = reader.i64();
    s.length = reader.i64();
    s.pauseMillis = reader.i64();
    s.locale = reader.string();
    s.timeZone = reader.string();
    s.internetAvailable = reader.boolean();
    s.userID = reader.string();
    s.locationPresent = reader.boolean();
    s.latitude = reader.f64();
    s.longitude = reader.f64();
    s.accuracy = reader.f32();
    s.pageViews = reader.i32();
    s.gender = reader.i8();
    s.agePresent = reader.boolean();
    if (s.agePresent) s.age = reader.i64();
    const uint16_t names = reader.u16();
    for (uint16_t i = 0; i < names; ++i) {
        std::string name = reader.string();
        s.eventCounts.emplace_back(std::move(name), reader.i32());
    }
    const uint16_t events = reader.u16();
    for (uint16_t i = 0; i < events; ++i) s.events.push_back(readEvent(reader));
    s.eventLogComplete = reader.boolean();
    s.totalErrors = reader.i32();
    const uint16_t errors = reader.u16();
    for (uint16_t i = 0; i < errors; ++i) {
        DecodedError error;
        error.number = reader.u16();
        error.date = reader.i64();
        error.errorId = reader.string();
        error.message = reader.string();
        error.exceptionText = reader.string();
        s.errors.push_back(std::move(error));
    }
    s.adImpressions = reader.u16();
    if (s.adImpressions != 0) throw std::runtime_error("ad impressions cannot be walked");
    s.promoSpotImpressions = reader.u16();
    if (s.promoSpotImpressions != 0) throw std::runtime_error("ad impressions cannot be walked");
    return s;
}

struct DecodedReport {
    uint16_t protocolVersion = 0;
    std::vector<uint16_t> adRequest;
    int64_t imageCacheTime = 0;
    std::vector<int64_t> imageIds;
    uint16_t deviceKind = 0;
    uint16_t agentVersion = 0;
    int64_t reportTime = 0;
    std::string apiKey;
    std::string appVersion;
    std::string phoneId;
    std::vector<uint8_t> macBasedId;
    std::vector<uint8_t> macId;
    std::string sharedId;
    uint8_t sharedIdStatus = 0;
    int64_t firstUse = 0;
    int64_t sessionStart = 0;
    std::vector<std::pair<std::string, std::string>> properties;
    std::vector<DecodedSession> sessions;
    uint32_t checksum = 0;
};

// The reflected CRC-32 of zlib and IEEE 802.3, bit by bit.
inline uint32_t referenceCrc32(const uint8_t* bytes, size_t size);

// Walks a whole report; throws on any field that does not fit, on bytes
// between the last record and the checksum, and on a checksum that does not
// match the bytes before it.
inline DecodedReport readReport(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() < 4) throw std::runtime_error("report shorter than its checksum");
    ByteReader reader(bytes, 0, bytes.size() - 4);
    DecodedReport r;
    r.protocolVersion = reader.u16();
    r.adRequest.push_back(reader.u16());
    if (r.adRequest[0] == 3) {
        r.adRequest.push_back(reader.u16());
        r.adRequest.push_back(reader.u16());
    } else if (r.adRequest[0] != 0) {
        throw std::runtime_error("ad request count " + std::to_string(r.adRequest[0]));
    }
    r.imageCacheTime = reader.i64();
    const uint16_t images = reader.u16();
    for (uint16_t i = 0; i < images; ++i) {
        if (reader.u8() != 1) throw std::runtime_error("image entry without its marker");
        r.imageIds.push_back(reader.i64());
    }
    r.deviceKind = reader.u16();
    r.agentVersion = reader.u16();
    r.reportTime = reader.i64();
    r.apiKey = reader.string();
    r.appVersion = reader.string();
    if (reader.u16() != 4) throw std::runtime_error("device id count");
    if (reader.u16() != 0) throw std::runtime_error("device id 0");
    r.phoneId = reader.string();
    if (reader.u16() != 2) throw std::runtime_error("device id 2");
    r.macBasedId = reader.shortData();
    if (reader.u16() != 4) throw std::runtime_error("device id 4");
    r.macId = reader.shortData();
    if (reader.u16() != 3) throw std::runtime_error("device id 3");
    r.sharedId = reader.string();
    r.sharedIdStatus = reader.u8();
    r.firstUse = reader.i64();
    r.sessionStart = reader.i64();
    const uint16_t properties = reader.u16();
    for (uint16_t i = 0; i < properties; ++i) {
        std::string key = reader.string();
        r.properties.emplace_back(std::move(key), reader.string());
    }
    const uint16_t sessions = reader.u16();
    for (uint16_t i = 0; i < sessions; ++i) r.sessions.push_back(readSession(reader));
    if (!reader.atEnd())
        throw std::runtime_error(std::to_string(reader.remaining()) + " bytes before the checksum");
    ByteReader tail(bytes, bytes.size() - 4);
    r.checksum = tail.u32();
    if (r.checksum != referenceCrc32(bytes.data(), bytes.size() - 4))
        throw std::runtime_error("checksum mismatch");
    return r;
}

// The reflected CRC-32 of zlib and IEEE 802.3, bit by bit.
inline uint32_t referenceCrc32(const uint8_t* bytes, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

} // namespace mw::test
