#pragma once
// Fixed slots of at most 4095 bytes used as a FIFO of complete packets, with one
// packet under assembly (the input packet). The serial object's packet buffer
// holds received lines between the comm watch thread (producer) and the owner
// (consumer); the document's packet queue holds the same lines between
// CommsDataReceived and GetCommsData. Every call locks the buffer's own mutex.
//
// An empty input packet is never finalised: FinalisePacket refuses it, so a
// zero-length packet can never block the front of the queue.

#include <cstdint>
#include <memory>
#include <mutex>

namespace halyard {

constexpr uint32_t PACKET_SLOT_SIZE = 4096;  // a packet holds at most 4095 bytes

class CPacketBuffer {
public:
    CPacketBuffer() = default;
    virtual ~CPacketBuffer() = default;
    CPacketBuffer(const CPacketBuffer&) = delete;
    CPacketBuffer& operator=(const CPacketBuffer&) = delete;

    // dwSize slots, each zeroed; false for 0.
    bool Initialise(uint32_t dwSize);
    // Appends to the input packet; false when full, without slots, or when the
    // packet would reach 4096 bytes (the packet is then left as it was).
    bool AddData(const uint8_t* pData, uint32_t dwLength);
    // Makes the input packet complete; false when full, without slots or empty.
    bool FinalisePacket(uint32_t& dwPacketSize);
    bool ClearInputPacket();
    // Removes the oldest complete packet into pData (4096 bytes); *pdwLength is
    // left untouched when there is none.
    bool GetData(uint8_t* pData, uint32_t* pdwLength);
    void GetBuffSize(uint32_t* pdwBuffSize);
    void GetCurrentTotalWriteCount(uint32_t* pCount);
    bool IsBufferFull();

private:
    struct PacketSlot {
        uint32_t dwLength = 0;
        std::unique_ptr<uint8_t[]> pbySlotData;
        uint32_t dwWriteCount = 0;
    };
    static void ClearSlot(PacketSlot& slot);

    mutable std::mutex m_cs;
    std::unique_ptr<PacketSlot[]> m_pSlots;
    uint32_t m_dwSlots = 0;
    uint32_t m_dwReadSlot = 0;
    uint32_t m_dwWriteSlot = 0;
    uint32_t m_dwPackets = 0;
};

}  // namespace halyard
