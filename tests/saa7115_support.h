// Test support for the SAA7115 boards: the register lists as the boards list
// them (transcribed, never computed).
#pragma once

#include "test_support.h"

namespace trel::test {

// "9E=F2 9F=00" -> {"I2C 40 W 9E=F2", "I2C 40 W 9F=00"}; `suffix` carries flags (" f8000").
inline Lines Saa(const std::string& list, const std::string& suffix = "") { return Writes(0x40, list, suffix); }

// A register list with some entries replaced ({"3A=88", "3A=80"}).
inline std::string With(std::string list, std::initializer_list<std::pair<std::string, std::string>> changes) {
    for (const auto& [from, to] : changes) {
        size_t at = list.find(from);
        while (at != std::string::npos && at != 0 && list[at - 1] != ' ') at = list.find(from, at + 1);
        if (at != std::string::npos) list.replace(at, from.size(), to);
    }
    return list;
}

// Heron I's decoder set-up table.
inline const std::string kHeronSetup =
    "01=08 02=C9 03=20 04=80 05=80 06=EB 07=E0 08=F0 09=80 0A=80 0B=40 0C=40 0D=00 0E=03 0F=2A 10=0E "
    "11=00 12=8D 13=00 14=00 15=11 16=01 17=DA 18=40 19=80 1A=00 1B=42 1C=A9 30=66 31=90 32=01 34=00 "
    "35=00 36=20 38=03 39=20 3A=88 40=00 41=FF 42=FF 43=FF 44=FF 45=FF 46=FF 47=FF 48=FF 49=FF 4A=FF "
    "4B=FF 4C=FF 4D=FF 4E=FF 4F=FF 50=FF 51=FF 52=FF 53=FF 54=FF 55=FF 56=FF 57=FF 58=40 59=47 5A=06 "
    "5B=83 5D=06 5E=00 80=30 81=03 83=00 84=00 85=00 86=45 87=31 88=C0 90=02 91=08 92=09 93=80 94=02 "
    "95=00 96=D0 97=02 98=10 99=00 9A=F2 9B=00 9C=D0 9D=02 9E=F2 9F=00 A0=01 A1=00 A2=00 A4=80 A5=40 "
    "A6=40 A8=00 A9=04 AA=00 AC=00 AD=02 AE=00 B0=00 B1=04 B2=00 B3=04 B4=00 B8=00 BC=00 C0=03 C1=08 "
    "C2=09 C3=80 C4=02 C5=00 C6=D0 C7=02 C8=10 C9=00 CA=F2 CB=00 CC=D0 CD=02 CE=F2 CF=00 D0=01 D1=00 "
    "D2=00 D4=80 D5=40 D6=40 D8=00 D9=04 DA=00 DC=00 DD=02 DE=00 E0=00 E1=04 E2=00 E3=04 E4=00 E8=00 "
    "88=F0";
// Bittern's, as its own listing gives it (3A=80 and 54=F4 differ from Heron I's).
inline const std::string kBitternSetup = With(kHeronSetup, {{"3A=88", "3A=80"}, {"54=FF", "54=F4"}});
// TV standard lists: Heron I 13 writes, Bittern 12 (no 5A, 14 in 98/C8).
inline const std::string kHeron525 = "88=C0 98=10 9A=F2 9B=00 9E=F2 9F=00 C8=10 CA=F2 CB=00 CE=F2 CF=00 88=F0 5A=06";
inline const std::string kHeron625 = "88=C0 98=16 9A=20 9B=01 9E=20 9F=01 C8=16 CA=20 CB=01 CE=20 CF=01 88=F0 5A=03";
inline const std::string kBittern525 = "88=C0 98=10 9A=F2 9B=00 9E=F2 9F=00 C8=10 CA=F2 CB=00 CE=F2 CF=00 88=F0";
inline const std::string kBittern625 = "88=C0 98=14 9A=20 9B=01 9E=20 9F=01 C8=14 CA=20 CB=01 CE=20 CF=01 88=F0";

}  // namespace trel::test
