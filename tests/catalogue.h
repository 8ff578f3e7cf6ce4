// The catalogue as the host expects it, written down independently of the
// module: order, USB ids, revision, the tables present and the name OpenBoard
// reports. A new board adds its row here (and its golden session); every other
// test loops over the catalogue the module returns or names its boards here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "frame/host_interface.h"

namespace trel::test {

struct ExpectedBoard {
    const char* name;  // as OpenBoard reports it
    u32 vendor;
    u32 product;
    u32 revision;
    const char* tables;  // B V A I T present
    // A board built from another one's hardware under its own ids and name:
    // that board, whose expectations it shares (null: its own).
    const char* hardware = nullptr;
};

inline constexpr ExpectedBoard kCatalogue[] = {
    {"Wren", 0x1F3B, 0x5100, 0x0201, "BV"},
    {"Wren II", 0x1F3B, 0x5100, 0x0205, "BV"},
    {"Heron I", 0x1F3B, 0x5100, 0x0202, "BVAI"},
    {"Heron II Reprise", 0x1F3B, 0x5100, 0x0204, "BVAI"},
    {"Egret", 0x1F3C, 0x0A55, 0x0204, "BVAI"},
    {"Heron Ascent", 0x1F3B, 0x5100, 0x0210, "BVAI"},
    {"Bittern", 0x1F3B, 0x5100, 0x0200, "BVAI"},
    {"Plover", 0x1F3B, 0x5100, 0x0206, "BVA"},
    {"Kestrel", 0x1F3B, 0x5100, 0x0208, "BVAIT"},
    {"Swift", 0x1F3B, 0x5100, 0x0207, "BV"},
    {"Finch", 0x1F3B, 0x5100, 0x0213, "BV"},
};
inline constexpr size_t kExpectedBoards = sizeof(kCatalogue) / sizeof(kCatalogue[0]);

}  // namespace trel::test
