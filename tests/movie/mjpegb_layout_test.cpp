// Re-laying JPEG pictures out as Motion JPEG B fields. (That FFmpeg's decoder
// reads the result like the Motion JPEG A original is checked end to end in
// the writer's tests.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "movie/mjpegb_layout.h"

namespace trevalin {
namespace {

using Bytes = std::vector<std::uint8_t>;

void append(Bytes& out, std::initializer_list<int> bytes) {
    for (int b : bytes)
        out.push_back(std::uint8_t(b));
}

// A marker segment: FF, marker, 16-bit length, payload.
void segment(Bytes& out, int marker, const Bytes& payload) {
    append(out, {0xFF, marker, int(payload.size() + 2) >> 8, int(payload.size() + 2) & 0xFF});
    out.insert(out.end(), payload.begin(), payload.end());
}

Bytes filled(std::size_t n, int first) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = std::uint8_t(first + int(i));
    return b;
}

const Bytes kDqt = filled(65, 0x00);
const Bytes kDhtLuma = filled(28, 0x10);
const Bytes kDhtChroma = filled(30, 0x40);
const Bytes kSof = filled(15, 0x08);
const Bytes kSos = filled(10, 0x03);

// A picture laid out as FFmpeg's JPEG encoder writes it, with extra segments
// a converter must drop and a scan holding stuffed FF bytes.
Bytes samplePicture(int restartInterval = -1) {
    Bytes j;
    append(j, {0xFF, 0xD8});
    segment(j, 0xE0, {'J', 'F', 'I', 'F', 0});
    segment(j, 0xFE, {'h', 'i'});
    segment(j, 0xDB, kDqt);
    segment(j, 0xC4, kDhtLuma);
    segment(j, 0xC4, kDhtChroma);
    if (restartInterval >= 0)
        segment(j, 0xDD, {std::uint8_t(restartInterval >> 8), std::uint8_t(restartInterval)});
    segment(j, 0xC0, kSof);
    segment(j, 0xDA, kSos);
    append(j, {0x12, 0xFF, 0x00, 0x34, 0xFF, 0x00, 0xFF, 0x00, 0x56, 0xFF, 0xD9});
    return j;
}

std::uint32_t be32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 |
           std::uint32_t(b[at + 2]) << 8 | b[at + 3];
}

TEST(MjpegB, LaysOutHeaderSegmentsAndUnstuffedScan) {
    Bytes field;
    ASSERT_TRUE(jpegToMjpegB(samplePicture(), field));

    const std::size_t dqt = 40, dht = dqt + 2 + 65, sof = dht + 2 + 28 + 30, sos = sof + 2 + 15,
                      data = sos + 2 + 10;
    const Bytes scan{0x12, 0xFF, 0x34, 0xFF, 0xFF, 0x56};
    ASSERT_EQ(field.size(), data + scan.size());
    const struct {
        std::size_t at;
        std::uint32_t value;
        const char* what;
    } header[] = {{0, 0, "reserved"},
                  {4, 0x6D6A7067, "'mjpg'"},
                  {8, std::uint32_t(field.size()), "field size"},
                  {12, std::uint32_t(field.size()), "padded field size"},
                  {16, 0, "next field"},
                  {20, dqt, "DQT offset"},
                  {24, dht, "DHT offset"},
                  {28, sof, "SOF offset"},
                  {32, sos, "SOS offset"},
                  {36, data, "data offset"}};
    for (const auto& h : header)
        EXPECT_EQ(be32(field, h.at), h.value) << h.what;

    // Each segment keeps its length and payload but loses its marker; the two
    // Huffman segments become one.
    const struct {
        std::size_t at;
        Bytes payload;
        const char* what;
    } segments[] = {{dqt, kDqt, "DQT"}, {sof, kSof, "SOF"}, {sos, kSos, "SOS"}};
    for (const auto& s : segments) {
        EXPECT_EQ(field[s.at] << 8 | field[s.at + 1], int(s.payload.size() + 2)) << s.what;
        EXPECT_EQ(Bytes(field.begin() + std::ptrdiff_t(s.at + 2),
                        field.begin() + std::ptrdiff_t(s.at + 2 + s.payload.size())),
                  s.payload)
            << s.what;
    }
    Bytes dhtPayload = kDhtLuma;
    dhtPayload.insert(dhtPayload.end(), kDhtChroma.begin(), kDhtChroma.end());
    EXPECT_EQ(field[dht] << 8 | field[dht + 1], int(dhtPayload.size() + 2));
    EXPECT_EQ(Bytes(field.begin() + std::ptrdiff_t(dht + 2), field.begin() + std::ptrdiff_t(sof)),
              dhtPayload);
    EXPECT_EQ(Bytes(field.begin() + std::ptrdiff_t(data), field.end()), scan);
}

TEST(MjpegB, AcceptsARestartIntervalOfZero) {
    Bytes field;
    EXPECT_TRUE(jpegToMjpegB(samplePicture(0), field));
    EXPECT_FALSE(field.empty());
}

// Replaces the first occurrence of from with to.
Bytes edited(Bytes b, const Bytes& from, const Bytes& to) {
    const auto at = std::search(b.begin(), b.end(), from.begin(), from.end());
    EXPECT_NE(at, b.end());
    const auto pos = at - b.begin();
    b.erase(at, at + std::ptrdiff_t(from.size()));
    b.insert(b.begin() + pos, to.begin(), to.end());
    return b;
}

TEST(MjpegB, RefusesWhatFormatBCannotHold) {
    const Bytes good = samplePicture();
    Bytes noDht;
    append(noDht, {0xFF, 0xD8});
    segment(noDht, 0xDB, kDqt);
    segment(noDht, 0xC0, kSof);
    segment(noDht, 0xDA, kSos);
    append(noDht, {0x12, 0xFF, 0xD9});
    Bytes twoFrames = good;
    twoFrames.insert(twoFrames.end() - 2, {0xFF, 0xC0, 0x00, 0x02});

    const struct {
        const char* what;
        Bytes jpeg;
    } cases[] = {
        {"empty", {}},
        {"no SOI", Bytes(good.begin() + 2, good.end())},
        {"restart interval", samplePicture(4)},
        {"restart marker in the scan", edited(good, {0x34, 0xFF, 0x00}, {0x34, 0xFF, 0xD0})},
        {"second scan", edited(good, {0x56, 0xFF, 0xD9}, {0x56, 0xFF, 0xDA, 0x00, 0x02})},
        {"progressive frame", edited(good, {0xFF, 0xC0}, {0xFF, 0xC2})},
        {"scan before frame header", edited(good, {0xFF, 0xC0}, {0xFF, 0xE1})},
        {"missing Huffman tables", noDht},
        {"end before scan", edited(good, {0xFF, 0xDA}, {0xFF, 0xD9})},
        {"segment longer than the data",
         edited(good, {0xFF, 0xDB, 0x00, 0x43}, {0xFF, 0xDB, 0xFF, 0xF0})},
        {"segment length below 2",
         edited(good, {0xFF, 0xDB, 0x00, 0x43}, {0xFF, 0xDB, 0x00, 0x01})},
        {"no end of picture", Bytes(good.begin(), good.end() - 2)},
        {"stray byte between segments", edited(good, {0xFF, 0xDB}, {0x00, 0xFF, 0xDB})},
        {"frame header inside the scan", twoFrames},
    };
    for (const auto& c : cases) {
        Bytes field{1, 2, 3};
        EXPECT_FALSE(jpegToMjpegB(c.jpeg, field)) << c.what;
        EXPECT_TRUE(field.empty()) << c.what;
    }
}

TEST(MjpegB, RefusesEveryTruncatedPicture) {
    const Bytes good = samplePicture();
    for (std::size_t n = 0; n < good.size(); ++n) {
        Bytes field;
        EXPECT_FALSE(jpegToMjpegB(Bytes(good.begin(), good.begin() + std::ptrdiff_t(n)), field))
            << "first " << n << " of " << good.size() << " bytes";
    }
}

} // namespace
} // namespace trevalin
