// Turning a flag word (the port's error word, or a system error number) into
// a status code.
#ifndef SERLINK_FLAG_WORD_H
#define SERLINK_FLAG_WORD_H

#include <cstdint>

namespace serlink {

// Bit 15 gives -1158; otherwise the lowest set bit i of bits 0..11 gives
// -1161 - i; a word with none of those bits gives -1159.
int32_t map_flag_word(uint32_t word);

}  // namespace serlink

#endif  // SERLINK_FLAG_WORD_H
