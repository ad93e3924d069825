#pragma once
// A fixed-size byte ring shared by one producer thread and one consumer thread.
// The serial object's transmit ring (UI thread in, comm watch thread out) and
// receive ring (comm watch thread both ways) are 40960 bytes each. A block is
// accepted whole or not at all, and the ring never becomes completely full:
// it holds at most m_dwSize - 1 bytes. Every call locks the ring's own mutex.

#include <cstdint>
#include <memory>
#include <mutex>

namespace halyard {

class CCircularBuffer {
public:
    CCircularBuffer() = default;
    virtual ~CCircularBuffer() = default;
    CCircularBuffer(const CCircularBuffer&) = delete;
    CCircularBuffer& operator=(const CCircularBuffer&) = delete;

    // Allocates dwSize zeroed bytes and empties the ring; false for 0.
    bool Initialise(uint32_t dwSize);
    // Appends the whole block, or refuses it when m_dwCount + dwLength >= m_dwSize.
    bool AddData(const uint8_t* pData, uint32_t dwLength);
    // Removes up to dwMaxLength bytes from the front; *pdwLength gets the count
    // (0 too); true when bytes were taken.
    bool GetData(uint8_t* pData, uint32_t* pdwLength, uint32_t dwMaxLength);
    void GetBuffSize(uint32_t* pdwBuffSize);

private:
    mutable std::mutex m_cs;
    std::unique_ptr<uint8_t[]> m_pData;
    uint32_t m_dwSize = 0;
    uint32_t m_dwReadPos = 0;
    uint32_t m_dwWritePos = 0;
    uint32_t m_dwCount = 0;
};

}  // namespace halyard
