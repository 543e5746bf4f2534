#include <gtest/gtest.h>

#include "profile/profile_defaults.h"
#include "protocol/hex.h"
#include "protocol/output_frame.h"
#include "protocol/read_request.h"
#include "protocol/settings_packets.h"

namespace talvik::protocol {
namespace {

// The two checksum bytes after `end` hold the sum of the bytes before it.
void ExpectSum(const OutputFrame& f, std::size_t end) {
    const std::uint16_t sum = ByteSum(f, 0, end);
    EXPECT_EQ(f[end + 1], sum >> 8) << end;
    EXPECT_EQ(f[end + 2], sum & 0xFF) << end;
}

TEST(OutputFrame, CommandPacketsOnTheOutputLink) {
    const CommandPacket s = BuildSensorPacket(*profile::CreateProfile());
    const OutputFrame f = BuildCommandFrame(s);
    EXPECT_EQ(FormatHex(std::span(f).first(3)), "04 3D 00");
    EXPECT_TRUE(std::equal(s.bytes.begin(), s.bytes.begin() + 56, f.begin() + 3));
    ExpectSum(f, 58);
    EXPECT_TRUE(std::all_of(f.begin() + 61, f.end(), [](auto b) { return b == 0; }));
    CommandPacket k = StartPacket(CommandId::kKeyAssignment, 59);  // the longest fills the report
    k.bytes[58] = 0x77;
    const OutputFrame longest = BuildCommandFrame(k);
    EXPECT_EQ(longest[1], 64);
    EXPECT_EQ(longest[61], 0x77);
    ExpectSum(longest, 61);
}

TEST(OutputFrame, ReadRequestForms) {
    EXPECT_EQ(FormatHex(BuildFeatureReadRequest(4, 56, 1)), "A0 04 38 00 01 00 00 00");
    EXPECT_EQ(FormatHex(BuildOutputReadRequest(5, 15, 1)), "A0 05 0F 01 00 00 00 00");
    EXPECT_EQ(FormatHex(BuildBleReadRequest()), "A0 08 00 00 00 00 00 00");
    const OutputFrame f = BuildOutputFrame(BuildOutputReadRequest(6, 9, 1));
    EXPECT_EQ(FormatHex(std::span(f).first(13)), "04 0C A0 06 09 01 00 00 00 00 00 C0 00");
}

CommandPacket MacroPacketWithPattern() {
    CommandPacket m = StartPacket(CommandId::kMacroData, 111, 7);
    for (std::size_t i = 3; i < 111; ++i) {
        m.bytes[i] = static_cast<std::uint8_t>(i);
    }
    return m;
}

TEST(OutputFrame, MacroChunksOnTheOutputLink) {
    const CommandPacket m = MacroPacketWithPattern();
    const auto chunks = BuildOutputMacroChunks(m);
    const OutputFrame& c0 = chunks[0];
    const OutputFrame& c1 = chunks[1];
    EXPECT_EQ(FormatHex(std::span(c0).first(6)), "04 40 00 09 6F 07");
    EXPECT_EQ(c0[61], 58);
    ExpectSum(c0, 61);
    EXPECT_EQ(FormatHex(std::span(c1).first(4)), "04 39 01 3B");
    EXPECT_EQ(c1[54], 110);
    ExpectSum(c1, 54);
    EXPECT_EQ(c1[57], 0);
}

TEST(OutputFrame, MacroChunksThroughTheVendorLibrary) {
    const CommandPacket m = MacroPacketWithPattern();
    const auto chunks = BuildWiredMacroChunks(m);
    EXPECT_EQ(FormatHex(std::span(chunks[0]).first(5)), "09 40 07 00 03");
    EXPECT_EQ(chunks[0][63], 62);
    EXPECT_EQ(FormatHex(std::span(chunks[1]).first(5)), "09 40 07 01 3F");
    EXPECT_EQ(chunks[1][51], 110);  // the last packet byte
    EXPECT_EQ(chunks[1][52], 0);
    EXPECT_EQ(FormatHex(std::span(chunks[2]).first(5)), "09 0C 07 02 00");
    EXPECT_TRUE(std::all_of(chunks[2].begin() + 4, chunks[2].end(), [](auto b) { return b == 0; }));
}

TEST(OutputFrame, StatusReplies) {
    std::array<std::uint8_t, 64> r{};
    EXPECT_EQ(ParseStatusReply(r), LinkStatus::kNone);
    r[2] = 0xC0;
    r[3] = 0x01;
    EXPECT_EQ(ParseStatusReply(r), LinkStatus::kReceived);
    r[2] = 0xC1;
    EXPECT_EQ(ParseStatusReply(r), LinkStatus::kExecuted);
    r[3] = 0x02;
    EXPECT_EQ(ParseStatusReply(r), LinkStatus::kNone);
    EXPECT_EQ(ParseStatusReply(std::span(r).first(3)), LinkStatus::kNone);
}

TEST(Hex, FormatAndParse) {
    EXPECT_EQ(FormatHex(std::vector<std::uint8_t>{0x00, 0xAB, 0x0F}), "00 AB 0F");
    EXPECT_EQ(ParseHex("00 ab\t0F"), (std::vector<std::uint8_t>{0x00, 0xAB, 0x0F}));
    EXPECT_EQ(ParseHex("00AB"), (std::vector<std::uint8_t>{0x00, 0xAB}));
    EXPECT_FALSE(ParseHex("0"));
    EXPECT_FALSE(ParseHex("0 0"));
    EXPECT_FALSE(ParseHex("zz"));
}

}  // namespace
}  // namespace talvik::protocol
