#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "serial/CCircularBuffer.h"
#include "serial/CPacketBuffer.h"

using namespace halyard;

namespace {

std::vector<uint8_t> Bytes(uint32_t n, uint8_t first = 0)
{
    std::vector<uint8_t> bytes(n);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

uint32_t Held(CCircularBuffer& ring)
{
    uint32_t n = 0;
    ring.GetBuffSize(&n);
    return n;
}

}  // namespace

TEST(CircularBuffer, RefusesABlockThatWouldFillTheRingExactly)
{
    CCircularBuffer ring;
    ASSERT_TRUE(ring.Initialise(40960));
    ASSERT_TRUE(ring.AddData(Bytes(40000).data(), 40000));
    EXPECT_FALSE(ring.AddData(Bytes(960).data(), 960));
    EXPECT_EQ(Held(ring), 40000u);
    EXPECT_TRUE(ring.AddData(Bytes(959).data(), 959));
    EXPECT_EQ(Held(ring), 40959u);
    EXPECT_FALSE(ring.AddData(Bytes(1).data(), 1));
}

TEST(CircularBuffer, WrappedBlockComesBackInOrder)
{
    CCircularBuffer ring;
    ASSERT_TRUE(ring.Initialise(16));
    std::vector<uint8_t> out(16);
    uint32_t n = 0;
    // Move the positions near the end, then add a block that wraps.
    ASSERT_TRUE(ring.AddData(Bytes(11).data(), 11));
    ASSERT_TRUE(ring.GetData(out.data(), &n, 11));
    const std::vector<uint8_t> block = Bytes(12, 100);
    ASSERT_TRUE(ring.AddData(block.data(), 12));
    // Taken in two parts, the second of which wraps too.
    ASSERT_TRUE(ring.GetData(out.data(), &n, 3));
    EXPECT_EQ(n, 3u);
    ASSERT_TRUE(ring.GetData(out.data() + 3, &n, 100));
    EXPECT_EQ(n, 9u);
    out.resize(12);
    EXPECT_EQ(out, block);
    EXPECT_EQ(Held(ring), 0u);
}

TEST(CircularBuffer, EmptyOrMissingStorageGivesNothing)
{
    CCircularBuffer ring;
    uint8_t by = 0;
    uint32_t n = 99;
    EXPECT_FALSE(ring.AddData(&by, 1));  // no storage yet
    EXPECT_FALSE(ring.GetData(&by, &n, 1));
    EXPECT_EQ(n, 0u);
    EXPECT_FALSE(ring.Initialise(0));

    ASSERT_TRUE(ring.Initialise(8));
    n = 99;
    EXPECT_FALSE(ring.GetData(&by, &n, 8));
    EXPECT_EQ(n, 0u);
}

TEST(CircularBuffer, InitialiseEmptiesARingThatHeldData)
{
    CCircularBuffer ring;
    ASSERT_TRUE(ring.Initialise(32));
    ASSERT_TRUE(ring.AddData(Bytes(20).data(), 20));
    ASSERT_TRUE(ring.Initialise(64));
    EXPECT_EQ(Held(ring), 0u);
    EXPECT_TRUE(ring.AddData(Bytes(63).data(), 63));
}

TEST(CircularBuffer, StreamsBetweenTwoThreadsWithoutLossOrReordering)
{
    CCircularBuffer ring;
    ASSERT_TRUE(ring.Initialise(257));
    constexpr uint32_t kTotal = 200000;
    std::thread producer([&ring] {
        uint32_t sent = 0;
        while (sent < kTotal) {
            uint8_t block[37];
            const uint32_t n = std::min<uint32_t>(sizeof block, kTotal - sent);
            for (uint32_t i = 0; i < n; ++i)
                block[i] = static_cast<uint8_t>((sent + i) % 251);
            if (ring.AddData(block, n))
                sent += n;
            else
                std::this_thread::yield();
        }
    });
    uint32_t received = 0;
    uint32_t errors = 0;
    while (received < kTotal) {
        uint8_t block[64];
        uint32_t n = 0;
        if (!ring.GetData(block, &n, sizeof block)) {
            std::this_thread::yield();
            continue;
        }
        for (uint32_t i = 0; i < n; ++i)
            errors += block[i] != static_cast<uint8_t>((received + i) % 251) ? 1 : 0;
        received += n;
    }
    producer.join();
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(Held(ring), 0u);
}

namespace {

std::string TakePacket(CPacketBuffer& packets)
{
    uint8_t data[PACKET_SLOT_SIZE];
    uint32_t n = 0;
    if (!packets.GetData(data, &n))
        return "<none>";
    return std::string(reinterpret_cast<char*>(data), n);
}

bool AddPacket(CPacketBuffer& packets, const std::string& text)
{
    uint32_t dwSize = 0;
    return packets.AddData(reinterpret_cast<const uint8_t*>(text.data()),
                           static_cast<uint32_t>(text.size())) &&
           packets.FinalisePacket(dwSize) && dwSize == text.size();
}

uint32_t InputLength(CPacketBuffer& packets)
{
    uint32_t n = 99;
    packets.GetCurrentTotalWriteCount(&n);
    return n;
}

}  // namespace

TEST(PacketBuffer, FullBufferRefusesUntilOnePacketIsTaken)
{
    CPacketBuffer packets;
    ASSERT_TRUE(packets.Initialise(40));
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(AddPacket(packets, "line " + std::to_string(i)));
    EXPECT_TRUE(packets.IsBufferFull());
    const uint8_t by = 'x';
    uint32_t dwSize = 0;
    EXPECT_FALSE(packets.AddData(&by, 1));
    EXPECT_FALSE(packets.FinalisePacket(dwSize));
    // Discarding the (non-existent) input packet must not harm the oldest packet,
    // which sits in the same slot while the buffer is full.
    EXPECT_TRUE(packets.ClearInputPacket());

    EXPECT_EQ(TakePacket(packets), "line 0");
    EXPECT_FALSE(packets.IsBufferFull());
    EXPECT_TRUE(AddPacket(packets, "line 40"));
    // Order is kept across the wrap of the slots.
    for (int i = 1; i <= 40; ++i)
        EXPECT_EQ(TakePacket(packets), "line " + std::to_string(i));
    EXPECT_EQ(TakePacket(packets), "<none>");
}

TEST(PacketBuffer, PacketHoldsAtMost4095Bytes)
{
    CPacketBuffer packets;
    ASSERT_TRUE(packets.Initialise(2));
    const std::vector<uint8_t> big = Bytes(4095, 1);
    ASSERT_TRUE(packets.AddData(big.data(), 4095));
    const uint8_t by = 'x';
    EXPECT_FALSE(packets.AddData(&by, 1));
    EXPECT_EQ(InputLength(packets), 4095u);
    uint32_t dwSize = 0;
    ASSERT_TRUE(packets.FinalisePacket(dwSize));
    EXPECT_EQ(dwSize, 4095u);
    uint8_t out[PACKET_SLOT_SIZE];
    uint32_t n = 0;
    ASSERT_TRUE(packets.GetData(out, &n));
    ASSERT_EQ(n, 4095u);
    EXPECT_TRUE(std::equal(big.begin(), big.end(), out));
}

TEST(PacketBuffer, ClearedInputPacketStartsClean)
{
    CPacketBuffer packets;
    ASSERT_TRUE(packets.Initialise(3));
    const std::string partial = "garbage";
    ASSERT_TRUE(packets.AddData(reinterpret_cast<const uint8_t*>(partial.data()), 7));
    EXPECT_EQ(InputLength(packets), 7u);
    EXPECT_TRUE(packets.ClearInputPacket());
    EXPECT_EQ(InputLength(packets), 0u);
    ASSERT_TRUE(AddPacket(packets, "OK"));
    EXPECT_EQ(TakePacket(packets), "OK");
}

TEST(PacketBuffer, EmptyPacketIsNeverFinalised)
{
    CPacketBuffer packets;
    ASSERT_TRUE(packets.Initialise(3));
    uint32_t dwSize = 77;
    EXPECT_FALSE(packets.FinalisePacket(dwSize));
    uint32_t nHeld = 9;
    packets.GetBuffSize(&nHeld);
    EXPECT_EQ(nHeld, 0u);
    // Nothing waiting: the count the caller passed stays as it was.
    uint8_t out[PACKET_SLOT_SIZE];
    uint32_t n = 1234;
    EXPECT_FALSE(packets.GetData(out, &n));
    EXPECT_EQ(n, 1234u);
    ASSERT_TRUE(AddPacket(packets, "A1\n"));
    EXPECT_EQ(TakePacket(packets), "A1\n");
}

TEST(PacketBuffer, WithoutSlotsEverythingFails)
{
    CPacketBuffer packets;
    const uint8_t by = 'x';
    uint32_t dwSize = 0;
    EXPECT_TRUE(packets.IsBufferFull());
    EXPECT_FALSE(packets.AddData(&by, 1));
    EXPECT_FALSE(packets.FinalisePacket(dwSize));
    EXPECT_FALSE(packets.ClearInputPacket());
    EXPECT_EQ(InputLength(packets), 0u);
    EXPECT_FALSE(packets.Initialise(0));
}
