#include "CPacketBuffer.h"

#include <cstring>

namespace halyard {

void CPacketBuffer::ClearSlot(PacketSlot& slot)
{
    slot.dwLength = 0;
    slot.dwWriteCount = 0;
    std::memset(slot.pbySlotData.get(), 0, PACKET_SLOT_SIZE);
}

bool CPacketBuffer::Initialise(uint32_t dwSize)
{
    std::lock_guard lock(m_cs);
    m_pSlots.reset();
    m_dwSlots = 0;
    m_dwReadSlot = m_dwWriteSlot = m_dwPackets = 0;
    if (dwSize == 0)
        return false;
    std::unique_ptr<PacketSlot[]> pSlots(new (std::nothrow) PacketSlot[dwSize]);
    if (!pSlots)
        return false;
    for (uint32_t i = 0; i < dwSize; ++i) {
        pSlots[i].pbySlotData.reset(new (std::nothrow) uint8_t[PACKET_SLOT_SIZE]());
        if (!pSlots[i].pbySlotData)
            return false;
    }
    m_pSlots = std::move(pSlots);
    m_dwSlots = dwSize;
    return true;
}

bool CPacketBuffer::AddData(const uint8_t* pData, uint32_t dwLength)
{
    std::lock_guard lock(m_cs);
    if (m_dwSlots == 0 || m_dwPackets == m_dwSlots)
        return false;
    PacketSlot& slot = m_pSlots[m_dwWriteSlot];
    if (uint64_t{slot.dwWriteCount} + dwLength >= PACKET_SLOT_SIZE)
        return false;
    if (dwLength > 0) {
        if (!pData)
            return false;
        std::memcpy(&slot.pbySlotData[slot.dwWriteCount], pData, dwLength);
        slot.dwWriteCount += dwLength;
    }
    return true;
}

bool CPacketBuffer::FinalisePacket(uint32_t& dwPacketSize)
{
    std::lock_guard lock(m_cs);
    if (m_dwSlots == 0 || m_dwPackets == m_dwSlots)
        return false;
    PacketSlot& slot = m_pSlots[m_dwWriteSlot];
    // An empty packet would sit at the front for ever: GetData never takes it.
    if (slot.dwWriteCount == 0)
        return false;
    slot.dwLength = slot.dwWriteCount;
    dwPacketSize = slot.dwLength;
    ++m_dwPackets;
    m_dwWriteSlot = (m_dwWriteSlot + 1) % m_dwSlots;
    return true;
}

bool CPacketBuffer::ClearInputPacket()
{
    std::lock_guard lock(m_cs);
    if (m_dwSlots == 0)
        return false;
    // With every slot complete the input slot is the oldest packet: leave it.
    if (m_dwPackets < m_dwSlots)
        ClearSlot(m_pSlots[m_dwWriteSlot]);
    return true;
}

bool CPacketBuffer::GetData(uint8_t* pData, uint32_t* pdwLength)
{
    std::lock_guard lock(m_cs);
    if (m_dwSlots == 0 || m_dwPackets == 0 || !pData)
        return false;
    PacketSlot& slot = m_pSlots[m_dwReadSlot];
    const uint32_t n = slot.dwLength < PACKET_SLOT_SIZE ? slot.dwLength : PACKET_SLOT_SIZE;
    if (n > 0) {
        std::memcpy(pData, slot.pbySlotData.get(), n);
        --m_dwPackets;
        ClearSlot(slot);
        m_dwReadSlot = (m_dwReadSlot + 1) % m_dwSlots;
    }
    if (pdwLength)
        *pdwLength = n;
    return n > 0;
}

void CPacketBuffer::GetBuffSize(uint32_t* pdwBuffSize)
{
    std::lock_guard lock(m_cs);
    if (pdwBuffSize)
        *pdwBuffSize = m_dwPackets;
}

void CPacketBuffer::GetCurrentTotalWriteCount(uint32_t* pCount)
{
    std::lock_guard lock(m_cs);
    if (!pCount)
        return;
    // When every slot is complete there is no input packet.
    *pCount = (m_dwSlots == 0 || m_dwPackets == m_dwSlots) ? 0 : m_pSlots[m_dwWriteSlot].dwWriteCount;
}

bool CPacketBuffer::IsBufferFull()
{
    std::lock_guard lock(m_cs);
    return m_dwSlots == 0 || m_dwPackets == m_dwSlots;
}

}  // namespace halyard
