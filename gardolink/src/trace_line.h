// The trace line of one transaction: the command by its export name, the
// memory area, address and count, what became of each request frame, the
// final status by its header name and the time taken.
#pragma once

#include <cstdint>
#include <string>

#include "transact.h"

namespace gardo {

// e.g. "Read_Program (80) program address 1680 count 4: attempt 1 silence
// (-1154 SERLINK_E_READ_TIMEOUT); attempt 2 reply C0 14 with 4 data bytes,
// checksum ok; status 0 GARDO_OK after 2 attempts, 2031.415 ms".
// address and count are left out for the short commands.
std::string transaction_line(uint8_t code, int32_t address, int32_t count, const Record& rec, int32_t status,
                             double ms);

}  // namespace gardo
