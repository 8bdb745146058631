// Colour tables, the reduction of frames to 16 and 8 bits, dithering, and the
// JPEG colour conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "movie/colour_tables.h"
#include "movie/frame_reduction.h"
#include "movie/jpeg_colour.h"

namespace trevalin {
namespace {

std::string hex(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%06x", v);
    return text;
}

int channel(std::uint32_t c, int shift) {
    return int(c >> shift & 0xFF);
}

int distance(std::uint32_t a, std::uint32_t b) {
    int d = 0;
    for (int shift : {16, 8, 0})
        d += (channel(a, shift) - channel(b, shift)) * (channel(a, shift) - channel(b, shift));
    return d;
}

TEST(ColourTables, StandardTableLandmarks) {
    struct Case {
        int index;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {0, 0xFFFFFF},   {1, 0xFFFFCC},   {5, 0xFFFF00},   {6, 0xFFCCFF},   {35, 0xFF0000},
        {36, 0xCCFFFF},  {43, 0xCCCCCC},  {214, 0x000033}, {215, 0xEE0000}, {224, 0x110000},
        {225, 0x00EE00}, {234, 0x001100}, {235, 0x0000EE}, {244, 0x000011}, {245, 0xEEEEEE},
        {254, 0x111111}, {255, 0x000000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hex(standardColourTable()[std::size_t(c.index)]), hex(c.colour))
            << "index " << c.index;
    const ColourTable& t = standardColourTable();
    EXPECT_EQ(std::set<std::uint32_t>(t.begin(), t.end()).size(), 256u) << "entries repeat";
}

TEST(NearestColour, AgreesWithExhaustiveSearch) {
    // Many colours through one finder, so remembered answers are reused and
    // cache slots are shared by different colours.
    for (const ColourTable* table : {&standardColourTable(), &greyRampTable()}) {
        NearestColour nearest(*table);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(nearest.find((*table)[std::size_t(i)]), i) << "entry " << i;
        std::uint32_t state = 12345;
        for (int n = 0; n < 60000; ++n) {
            state = state * 1103515245u + 12345u;
            const std::uint32_t colour = (state >> 4) & 0xFFFFFF;
            int best = 1 << 30;
            for (std::uint32_t entry : *table)
                best = std::min(best, distance(colour, entry));
            const int found = nearest.find(colour);
            ASSERT_EQ(distance(colour, (*table)[std::size_t(found)]), best) << hex(colour);
        }
    }
}

TEST(Reduce555, PlainCopyKeepsTopFiveBits) {
    struct Case {
        std::uint32_t colour;
        Word555 word;
    };
    const Case cases[] = {{0xFFFFFF, 0x7FFF}, {0x000000, 0x0000}, {0xFF0000, 0x7C00},
                          {0x00FF00, 0x03E0}, {0x0000FF, 0x001F}, {0x080408, 0x0401},
                          {0xF7F7F7, 0x7BDE}, {0x070707, 0x0000}};
    for (const Case& c : cases) {
        const std::vector<std::uint32_t> frame{c.colour};
        std::vector<Word555> out(1);
        reduceTo555(frame, 1, false, out);
        EXPECT_EQ(out[0], c.word) << hex(c.colour);
    }
}

// The mean colour shown over a flat field.
std::vector<double> meanShown(const std::vector<std::uint32_t>& shown) {
    std::vector<double> mean(3, 0);
    for (std::uint32_t c : shown)
        for (int k = 0; k < 3; ++k)
            mean[std::size_t(k)] += channel(c, 16 - 8 * k);
    for (double& m : mean)
        m /= double(shown.size());
    return mean;
}

TEST(Dithering, FlatFieldsKeepTheirMeanColour) {
    const std::uint32_t colours[] = {0x7F7F7F, 0x404040, 0x123456, 0xC0A080, 0xF9F9F9, 0x818283};
    const int width = 64, height = 48;
    for (std::uint32_t colour : colours) {
        const std::vector<std::uint32_t> frame(std::size_t(width * height), colour);
        std::vector<Word555> words(frame.size());
        std::vector<std::uint8_t> indices(frame.size());
        NearestColour nearest(standardColourTable());
        reduceTo555(frame, width, true, words);
        reduceToTable(frame, width, true, nearest, indices);
        std::vector<std::uint32_t> shown555, shownTable;
        for (Word555 w : words)
            shown555.push_back(expand555(w));
        for (std::uint8_t i : indices)
            shownTable.push_back(standardColourTable()[i]);
        const auto mean555 = meanShown(shown555), meanTable = meanShown(shownTable);
        for (int k = 0; k < 3; ++k) {
            const double want = channel(colour, 16 - 8 * k);
            EXPECT_NEAR(mean555[std::size_t(k)], want, 0.5) << hex(colour) << " channel " << k;
            EXPECT_NEAR(meanTable[std::size_t(k)], want, 1.5) << hex(colour) << " channel " << k;
        }
    }
}

TEST(Dithering, ColoursTheOutputCanShowStayPut) {
    // Where every pixel is exact there is no error to spread.
    const int width = 17, height = 9;
    std::vector<std::uint32_t> tableFrame, wordFrame;
    std::vector<std::uint8_t> wantIndices;
    std::vector<Word555> wantWords;
    for (int i = 0; i < width * height; ++i) {
        const std::uint8_t index = std::uint8_t(i * 37 % 255); // 255 would repeat black
        wantIndices.push_back(index);
        tableFrame.push_back(standardColourTable()[index]);
        const Word555 word = Word555(i * 2713 % 0x8000);
        wantWords.push_back(word);
        wordFrame.push_back(expand555(word));
    }
    NearestColour nearest(standardColourTable());
    std::vector<std::uint8_t> indices(tableFrame.size());
    reduceToTable(tableFrame, width, true, nearest, indices);
    EXPECT_EQ(indices, wantIndices);
    std::vector<Word555> words(wordFrame.size());
    reduceTo555(wordFrame, width, true, words);
    EXPECT_EQ(words, wantWords);
}

TEST(Dithering, ThinFramesStayNearTheirColours) {
    // One column or one row: errors that would leave the frame are dropped.
    struct Case {
        int width, height;
    };
    for (const Case c : {Case{1, 40}, Case{40, 1}, Case{1, 1}, Case{2, 2}}) {
        std::vector<std::uint32_t> frame;
        for (int i = 0; i < c.width * c.height; ++i)
            frame.push_back(std::uint32_t(i * 0x0B0905 + 0x336699) & 0xFFFFFF);
        std::vector<Word555> words(frame.size());
        std::vector<std::uint8_t> indices(frame.size());
        NearestColour nearest(standardColourTable());
        reduceTo555(frame, c.width, true, words);
        reduceToTable(frame, c.width, true, nearest, indices);
        for (std::size_t i = 0; i < frame.size(); ++i) {
            EXPECT_LE(distance(frame[i], expand555(words[i])), 3 * 16 * 16)
                << c.width << "x" << c.height << " pixel " << i;
            EXPECT_LE(distance(frame[i], standardColourTable()[indices[i]]), 3 * 40 * 40)
                << c.width << "x" << c.height << " pixel " << i;
        }
    }
}

TEST(GreyRamp, IndexIsTheInvertedLuminance) {
    const struct {
        std::uint32_t colour;
        int index;
    } cases[] = {{0x000000, 255}, {0xFFFFFF, 0},   {0x7F7F7F, 128}, {0x010101, 254},
                 {0xFF0000, 179}, {0x00FF00, 105}, {0x0000FF, 226}};
    for (const auto& c : cases) {
        const std::vector<std::uint32_t> frame{c.colour};
        std::vector<std::uint8_t> out(1);
        reduceToGreyRamp(frame, out);
        EXPECT_EQ(out[0], c.index) << hex(c.colour);
    }
}

TEST(JpegColour, FullRangeBt601) {
    struct Case {
        std::uint32_t left, right;
        int y0, y1, cb, cr;
    };
    const Case cases[] = {
        {0x000000, 0x000000, 0, 0, 128, 128},    {0xFFFFFF, 0xFFFFFF, 255, 255, 128, 128},
        {0x808080, 0x202020, 128, 32, 128, 128}, {0xFF0000, 0xFF0000, 76, 76, 85, 255},
        {0x00FF00, 0x00FF00, 150, 150, 44, 21},  {0x0000FF, 0x0000FF, 29, 29, 255, 107},
        {0xFF0000, 0x0000FF, 76, 29, 170, 181},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint32_t> row{c.left, c.right};
        std::uint8_t y[2], cb[1], cr[1];
        rgbRowToYuv422(row, y, cb, cr);
        const std::string what = hex(c.left) + " " + hex(c.right);
        EXPECT_EQ(y[0], c.y0) << what;
        EXPECT_EQ(y[1], c.y1) << what;
        EXPECT_EQ(cb[0], c.cb) << what;
        EXPECT_EQ(cr[0], c.cr) << what;
    }
}

TEST(JpegColour, OddRowEndsWithItsLastPixelsChroma) {
    const std::vector<std::uint32_t> row{0x808080, 0x808080, 0xFF0000};
    std::uint8_t y[3], cb[2] = {0, 0}, cr[2] = {0, 0};
    rgbRowToYuv422(row, y, cb, cr);
    EXPECT_EQ(y[2], 76);
    EXPECT_EQ(cb[0], 128);
    EXPECT_EQ(cb[1], 85);
    EXPECT_EQ(cr[1], 255);
}

} // namespace
} // namespace trevalin
