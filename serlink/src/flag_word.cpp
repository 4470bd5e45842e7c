#include "flag_word.h"

#include "serlink.h"

namespace serlink {

int32_t map_flag_word(uint32_t word) {
    if (word & 0x8000u) {
        return SERLINK_E_MODE_FLAG;
    }
    for (int32_t bit = 0; bit < 12; ++bit) {
        if (word & (1u << bit)) {
            return SERLINK_E_RX_OVERFLOW - bit;
        }
    }
    return SERLINK_E_UNMAPPED;
}

}  // namespace serlink
