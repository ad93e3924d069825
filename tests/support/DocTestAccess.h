#pragma once
// Puts a document straight into a state that, in the program, only a long
// conversation reaches: decimal operating-state replies switched off as a
// dump or load does half-way, a command slot half filled, a connection or
// status texts without a sensor behind them, a received line waiting to be
// logged. Tests and benchmarks that start from such a state use it; the
// program reaches the document only through its getters and operations.

#include <algorithm>
#include <cstdint>
#include <string>

#include "document/CHalyardDoc.h"

namespace halyard {

struct DocTestAccess {
    static void SetOSDecimal(CHalyardDoc& doc, bool bDecimal) { doc.m_bOSDecimal = bDecimal; }
    static void SetOpState(CHalyardDoc& doc, uint16_t wOpState) { doc.m_wOpState = wOpState; }
    // Only the flag: no port, no threads.
    static void SetConnected(CHalyardDoc& doc, bool bConnected) { doc.m_bConnected = bConnected; }
    static void SetPortStatus(CHalyardDoc& doc, const std::string& strText) { doc.m_strPortStatus = strText; }
    static void SetLogTime(CHalyardDoc& doc, const std::string& strText) { doc.m_strLogTime = strText; }
    static void SetTime(CHalyardDoc& doc, const std::string& strText) { doc.m_strTime = strText; }
    // strText in ring slot nSlot, which becomes the slot being filled.
    static void FillCommandSlot(CHalyardDoc& doc, int32_t nSlot, const std::string& strText)
    {
        std::copy(strText.begin(), strText.end(), doc.m_CmdQueue[static_cast<size_t>(nSlot)].byData.begin());
        doc.m_nCmdWrite = nSlot;
    }
    // strLine as the received line LogData writes.
    static void SetReceivedLine(CHalyardDoc& doc, const std::string& strLine)
    {
        std::copy(strLine.begin(), strLine.end(), doc.m_byRxData.begin());
        doc.m_dwRxLength = static_cast<uint32_t>(strLine.size());
    }
};

}  // namespace halyard
