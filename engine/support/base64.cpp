#include "engine/support/base64.h"

#include <array>

#include "foundation/Log.h"

namespace mw {

namespace {

constexpr int kNotInAlphabet = -1;

constexpr std::array<int, 256> makeDecodeTable()
{
    std::array<int, 256> table{};
    table.fill(kNotInAlphabet);
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i) {
        table[static_cast<unsigned char>(alphabet[i])] = i;
    }
    return table;
}

constexpr std::array<int, 256> kDecodeTable = makeDecodeTable();

// Appends the bytes of a final group of `pending` characters closed by '='.
// Returns the number of errors (a single character carries too few bits).
int flushPaddedGroup(const unsigned int (&group)[4], int pending, std::vector<unsigned char>& out)
{
    switch (pending) {
    case 3:
        out.push_back(static_cast<unsigned char>((group[0] << 2) | (group[1] >> 4)));
        out.push_back(static_cast<unsigned char>((group[1] << 4) | (group[2] >> 2)));
        return 0;
    case 2:
        out.push_back(static_cast<unsigned char>((group[0] << 2) | (group[1] >> 4)));
        return 0;
    case 1:
        logLine("base64Decode: encoding incomplete: at least 2 bits missing");
        return 1;
    default:
        return 0;
    }
}

int decodeInto(const unsigned char* in, size_t inLength, std::vector<unsigned char>& out)
{
    unsigned int group[4] = {};
    int pending = 0;
    for (size_t i = 0; i < inLength; ++i) {
        if (in[i] == '=') {
            return flushPaddedGroup(group, pending, out);
        }
        int value = kDecodeTable[in[i]];
        if (value == kNotInAlphabet) {
            continue;
        }
        group[pending++] = static_cast<unsigned int>(value);
        if (pending == 4) {
            out.push_back(static_cast<unsigned char>((group[0] << 2) | (group[1] >> 4)));
            out.push_back(static_cast<unsigned char>((group[1] << 4) | (group[2] >> 2)));
            out.push_back(static_cast<unsigned char>((group[2] << 6) | group[3]));
            pending = 0;
        }
    }
    return 0;
}

} // namespace

size_t base64Decode(const unsigned char* in, size_t inLength, std::vector<unsigned char>& out)
{
    out.clear();
    if (!in) {
        return 0;
    }
    out.reserve(inLength / 4 * 3 + 3);
    if (decodeInto(in, inLength, out) != 0) {
        logLineTo(LogStream::standardOutput, "Base64Utils: error decoding");
        out.clear();
        out.shrink_to_fit();
        return 0;
    }
    return out.size();
}

} // namespace mw
