// The host side's board table (see board_table.h).
#include "board_table.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim_host.h"

namespace trel::host {
namespace {

constexpr u32 kVendor = 0x1F3B;
constexpr u32 kEgretVendor = 0x1F3C;
constexpr u32 kProduct = 0x5100;
constexpr u32 kEgretProduct = 0x0A55;

constexpr Chip kOv7640[] = {Chip::Ov7640};
constexpr Chip kOv6650[] = {Chip::Ov6650};
constexpr Chip kSaa7115[] = {Chip::Saa7115};
constexpr Chip kSaa7113[] = {Chip::Saa7113};
constexpr Chip kTw9903[] = {Chip::Tw9903};
constexpr Chip kTw9906[] = {Chip::Tw9906};
constexpr Chip kCcd[] = {Chip::Ccd};
constexpr Chip kSaa7115AndTuner[] = {Chip::Saa7115, Chip::TunerChain};

// SAA7115 register 0x02 per video source number, as input selection writes it:
// the capture boards' two sources and the TV board's three.
constexpr u8 kCaptureInputs[] = {0xC9, 0xC0};
constexpr u8 kTvInputs[] = {0xC8, 0xC1, 0xC3};

// The TW9906 at address byte 0x88: register 0x01 bit 0 reads 1 on a 50-Hz
// signal; 0x0D to 0x0F hold the scale factors.
constexpr u8 kTw9906Address = 0x88;
constexpr RegisterBit kTw9906Signal50Hz = {kTw9906Address, 0x01, 0x01};
constexpr ScaleFactorRegisters kTw9906Scaler = {kTw9906Address, 0x0D, 0x0E, 0x0F};

// Video properties by name. The decoder boards share the picture controls,
// source, status and standard; the TW99xx boards add sharpness, the VBI
// slicers of Heron I and Kestrel their service switch. The camera boards set
// brightness (on the CCD board: its exposure), hue and saturation, and answer
// the two status queries with fixed values.
#define TREL_DECODER_PROPERTIES                                                                     \
    {"source", 0}, {"brightness", 1}, {"contrast", 3}, {"hue", 5}, {"saturation", 7}, {"status0", 0x1000}, \
        {"status1", 0x1001}, {"standard", 0x1002}
constexpr PropertyName kDecoderProperties[] = {TREL_DECODER_PROPERTIES};
constexpr PropertyName kTw99xxProperties[] = {TREL_DECODER_PROPERTIES, {"sharpness", 9}};
constexpr PropertyName kVbiProperties[] = {TREL_DECODER_PROPERTIES, {"vbi", 0x1003}};
#undef TREL_DECODER_PROPERTIES
constexpr PropertyName kCameraProperties[] = {
    {"brightness", 1}, {"hue", 5}, {"saturation", 7}, {"status0", 0x1000}, {"status1", 0x1001}};
constexpr PropertyName kCcdProperties[] = {
    {"exposure", 1}, {"hue", 5}, {"saturation", 7}, {"status0", 0x1000}, {"status1", 0x1001}};

constexpr BoardEntry kBoards[] = {
    {.vendorId = kVendor, .productId = kProduct, .revision = 0x0201, .name = "Wren", .chips = kOv7640, .properties = kCameraProperties},
    {.vendorId = kVendor, .productId = kProduct, .revision = 0x0205, .name = "Wren II", .chips = kOv7640, .properties = kCameraProperties},
    {.vendorId = kVendor,
     .productId = kProduct,
     .revision = 0x0202,
     .name = "Heron I",
     .chips = kSaa7115,
     .saa7115Inputs = kCaptureInputs, .properties = kVbiProperties},
    {.vendorId = kVendor, .productId = kProduct, .revision = 0x0204, .name = "Heron II Reprise", .chips = kSaa7113, .properties = kDecoderProperties},
    {.vendorId = kEgretVendor,
     .productId = kEgretProduct,
     .revision = 0x0204,
     .name = "Egret",
     .chips = kTw9906,
     .signal50Hz = kTw9906Signal50Hz,
     .scaler = kTw9906Scaler, .properties = kTw99xxProperties},
    {.vendorId = kVendor, .productId = kProduct, .revision = 0x0210, .name = "Heron Ascent", .chips = kTw9903, .properties = kTw99xxProperties},
    {.vendorId = kVendor,
     .productId = kProduct,
     .revision = 0x0200,
     .name = "Bittern",
     .chips = kSaa7115,
     .saa7115Inputs = kCaptureInputs, .properties = kDecoderProperties},
    {.vendorId = kVendor, .productId = kProduct, .revision = 0x0206, .name = "Plover", .properties = kDecoderProperties},  // a data pump: no chip models
    {.vendorId = kVendor,
     .productId = kProduct,
     .revision = 0x0208,
     .name = "Kestrel",
     .chips = kSaa7115AndTuner,
     .saa7115Inputs = kTvInputs, .properties = kVbiProperties},
    {.vendorId = kVendor, .productId = kProduct, .revision = 0x0207, .name = "Swift", .chips = kCcd, .properties = kCcdProperties},
    {.vendorId = kVendor, .productId = kProduct, .revision = 0x0213, .name = "Finch", .chips = kOv6650, .properties = kCameraProperties},
};

constexpr bool SameKey(const BoardEntry& a, const BoardEntry& b) {
    return a.vendorId == b.vendorId && a.productId == b.productId && a.revision == b.revision;
}

constexpr bool KeysUnique() {
    for (size_t i = 0; i < std::size(kBoards); ++i) {
        for (size_t j = i + 1; j < std::size(kBoards); ++j) {
            if (SameKey(kBoards[i], kBoards[j])) return false;
        }
    }
    return true;
}
static_assert(KeysUnique(), "two boards share vendor id, product id and revision");

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::span<const BoardEntry> BoardTable() { return kBoards; }

const BoardEntry* FindBoardEntry(const BoardDescriptor& board) {
    for (const BoardEntry& entry : kBoards) {
        if (entry.vendorId == board.vendorId && entry.productId == board.productId &&
            entry.revision == board.revision) {
            return &entry;
        }
    }
    return nullptr;
}

const BoardEntry& BoardEntryOf(const BoardDescriptor& board) {
    if (const BoardEntry* entry = FindBoardEntry(board)) return *entry;
    // What was printed so far stays; the message comes last.
    std::cout.flush();
    std::fflush(stdout);
    std::fprintf(stderr,
                 "no host-side entry for the board with vendor id 0x%04X, product id 0x%04X, revision 0x%04X "
                 "(add it to src/host/board_table.cpp)\n",
                 board.vendorId, board.productId, board.revision);
    std::fflush(stderr);
    std::_Exit(kExitNoBoardEntry);
}

std::span<const BoardDescriptor* const> ModuleCatalogue() {
    if (const SimHost* host = ActiveHost(); host != nullptr && host->Catalogue() != nullptr) {
        return {host->Catalogue(), host->CatalogueCount()};
    }
    // The module's catalogue is constant: taken once, through a host that
    // registers the kit's services as any SimHost does.
    static const std::span<const BoardDescriptor* const> catalogue = [] {
        const SimHost host;
        return std::span<const BoardDescriptor* const>(host.Catalogue(), host.CatalogueCount());
    }();
    return catalogue;
}

const BoardEntry& CatalogueEntry(size_t index) {
    const auto catalogue = ModuleCatalogue();
    if (index >= catalogue.size() || catalogue[index] == nullptr) {
        throw std::out_of_range("no catalogue entry " + std::to_string(index));
    }
    return BoardEntryOf(*catalogue[index]);
}

const char* CatalogueBoardName(size_t index) { return CatalogueEntry(index).name; }

std::optional<size_t> FindCatalogueBoard(std::string_view nameOrIndex) {
    const auto catalogue = ModuleCatalogue();
    const bool numeric = !nameOrIndex.empty() &&
                         std::all_of(nameOrIndex.begin(), nameOrIndex.end(),
                                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
    if (numeric) {
        size_t index = 0;
        const auto [end, error] = std::from_chars(nameOrIndex.data(), nameOrIndex.data() + nameOrIndex.size(), index);
        if (error != std::errc() || end != nameOrIndex.data() + nameOrIndex.size() || index >= catalogue.size()) {
            return std::nullopt;
        }
        return index;
    }
    for (size_t i = 0; i < catalogue.size(); ++i) {
        if (SameIgnoringCase(CatalogueBoardName(i), nameOrIndex)) return i;
    }
    return std::nullopt;
}

// Kept for their callers: derived from the catalogue and the table.
const std::vector<std::string>& BoardNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (size_t i = 0; i < ModuleCatalogue().size(); ++i) list.emplace_back(CatalogueBoardName(i));
        return list;
    }();
    return names;
}

std::optional<size_t> FindBoard(std::string_view nameOrIndex) { return FindCatalogueBoard(nameOrIndex); }

}  // namespace trel::host
