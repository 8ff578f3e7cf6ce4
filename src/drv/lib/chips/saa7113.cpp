// SAA7113 video decoder (see saa7113.h).
#include "chips/saa7113.h"

namespace trel::saa7113 {

u32 SetPictureControl(void* device, u32 index, u32 value) {
    return saa711x::SetPictureControl(device, kAddress, index, value, kNoI2cFlags);
}

}  // namespace trel::saa7113
