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
        : bytes_(bytes), position_(begin), end_(end == SIZE_MAX ? bytes.size() : end)
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
