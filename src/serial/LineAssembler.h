#pragma once
// The line assembler of the receive path: moves bytes from the receive ring into
// the packet buffer, one line per packet. Called by CSerial_IF::ParseData on the
// comm watch thread (tests and benchmarks call it directly).
//
// Every complete line ends with the end byte (LF): a line ended by CR LF keeps
// both bytes, a line ended by CR alone gets the end byte appended and the bytes
// between a CR and the next end byte are lost. Leading CR and end bytes are
// skipped, lines of 2 bytes or fewer are dropped, and a line that would reach
// 4096 bytes is discarded (the bytes after that point start a new line). One
// call completes at most 20 lines and stops early when the packet buffer fills.

#include <cstdint>

#include "CCircularBuffer.h"
#include "CPacketBuffer.h"

namespace halyard {

constexpr uint8_t LINE_CR = 13;
constexpr int MAX_LINES_PER_PARSE = 20;

// True when at least one line was completed. Nothing is taken from rx while
// the packet buffer is full.
bool ParseLines(CCircularBuffer& rx, CPacketBuffer& packets, uint8_t byEndChar);

}  // namespace halyard
