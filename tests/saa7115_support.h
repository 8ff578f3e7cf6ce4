// Test support for the SAA7115 boards: bus lines at the decoder's address and
// the TV-standard lists as the boards list them (transcribed, never computed).
#pragma once

#include "test_support.h"

namespace trel::test {

// "9E=F2 9F=00" -> {"I2C 40 W 9E=F2", "I2C 40 W 9F=00"}; `suffix` carries flags (" f8000").
inline Lines Saa(const std::string& list, const std::string& suffix = "") { return Writes(0x40, list, suffix); }

// TV standard lists: Heron I and Kestrel 13 writes, Bittern 12 (no 5A, 14 in 98/C8).
inline const std::string kHeron525 = "88=C0 98=10 9A=F2 9B=00 9E=F2 9F=00 C8=10 CA=F2 CB=00 CE=F2 CF=00 88=F0 5A=06";
inline const std::string kHeron625 = "88=C0 98=16 9A=20 9B=01 9E=20 9F=01 C8=16 CA=20 CB=01 CE=20 CF=01 88=F0 5A=03";
inline const std::string kBittern525 = "88=C0 98=10 9A=F2 9B=00 9E=F2 9F=00 C8=10 CA=F2 CB=00 CE=F2 CF=00 88=F0";
inline const std::string kBittern625 = "88=C0 98=14 9A=20 9B=01 9E=20 9F=01 C8=14 CA=20 CB=01 CE=20 CF=01 88=F0";

}  // namespace trel::test
