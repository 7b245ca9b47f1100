// Little-endian fields: the byte order, values with the high bit set, and the three ways of writing.
#include <gtest/gtest.h>

#include <vector>

#include "infra/ByteOrder.h"

namespace trov {
namespace {

TEST(ByteOrder, ReadsAndWritesLittleEndianWithTheHighBitSet) {
    const uint8_t bytes[] = {0x34, 0x12, 0xFE, 0xFF, 0x80};
    EXPECT_EQ(ReadLe16(bytes), 0x1234u);
    EXPECT_EQ(ReadLe16(bytes + 2), 0xFFFEu);
    EXPECT_EQ(ReadLe32(bytes), 0xFFFE1234u);
    EXPECT_EQ(ReadLe32(bytes + 1), 0x80FFFE12u);

    uint8_t out[6] = {};
    WriteLe32(out, 0xCAFEBABEu);
    WriteLe16(out + 4, 0x8001);
    EXPECT_EQ(ReadLe32(out), 0xCAFEBABEu);
    EXPECT_EQ(out[0], 0xBE);
    EXPECT_EQ(out[3], 0xCA);
    EXPECT_EQ(ReadLe16(out + 4), 0x8001u);

    std::vector<uint8_t> buffer(8, 0xAA);
    WriteLe16(buffer, 1, 0xBEEF);
    WriteLe32(buffer, 3, 0x01020304u);
    EXPECT_EQ(buffer, (std::vector<uint8_t>{0xAA, 0xEF, 0xBE, 0x04, 0x03, 0x02, 0x01, 0xAA}));

    std::vector<uint8_t> appended;
    AppendLe16(appended, 0xFF00);
    AppendLe32(appended, 0x80000001u);
    EXPECT_EQ(appended, (std::vector<uint8_t>{0x00, 0xFF, 0x01, 0x00, 0x00, 0x80}));
}

}  // namespace
}  // namespace trov
