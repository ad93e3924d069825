#include "CCircularBuffer.h"

#include <cstring>

namespace halyard {

bool CCircularBuffer::Initialise(uint32_t dwSize)
{
    std::lock_guard lock(m_cs);
    m_pData.reset();
    m_dwSize = 0;
    m_dwReadPos = m_dwWritePos = m_dwCount = 0;
    if (dwSize == 0)
        return false;
    m_pData.reset(new (std::nothrow) uint8_t[dwSize]());
    if (!m_pData)
        return false;
    m_dwSize = dwSize;
    return true;
}

bool CCircularBuffer::AddData(const uint8_t* pData, uint32_t dwLength)
{
    std::lock_guard lock(m_cs);
    // The ring never fills completely: a block that would fill it exactly is refused.
    if (uint64_t{m_dwCount} + dwLength >= m_dwSize)
        return false;
    if (dwLength == 0)
        return true;
    if (!pData)
        return false;
    if (m_dwWritePos + dwLength < m_dwSize) {
        std::memcpy(&m_pData[m_dwWritePos], pData, dwLength);
        m_dwWritePos += dwLength;
    } else {
        for (uint32_t i = 0; i < dwLength; ++i) {
            m_pData[m_dwWritePos++] = pData[i];
            if (m_dwWritePos == m_dwSize)
                m_dwWritePos = 0;
        }
    }
    m_dwCount += dwLength;
    return true;
}

bool CCircularBuffer::GetData(uint8_t* pData, uint32_t* pdwLength, uint32_t dwMaxLength)
{
    std::lock_guard lock(m_cs);
    uint32_t n = m_dwCount < dwMaxLength ? m_dwCount : dwMaxLength;
    if (!pData)
        n = 0;
    if (n > 0) {
        if (m_dwReadPos + n < m_dwSize) {
            std::memcpy(pData, &m_pData[m_dwReadPos], n);
            m_dwReadPos += n;
        } else {
            for (uint32_t i = 0; i < n; ++i) {
                pData[i] = m_pData[m_dwReadPos++];
                if (m_dwReadPos == m_dwSize)
                    m_dwReadPos = 0;
            }
        }
        m_dwCount -= n;
    }
    if (pdwLength)
        *pdwLength = n;
    return n > 0;
}

void CCircularBuffer::GetBuffSize(uint32_t* pdwBuffSize)
{
    std::lock_guard lock(m_cs);
    if (pdwBuffSize)
        *pdwBuffSize = m_dwCount;
}

}  // namespace halyard
