// What the host side knows of each board beyond the module's own records: the
// name it shows before a board is opened, the chips on the board (for the chip
// models), and the readouts trelhost takes from the simulated hardware. One
// constant entry per board, keyed by the USB ids and revision the catalogue
// gives; the catalogue itself comes from the module. A board the module serves
// and this table lacks stops the host, naming its ids.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "frame/host_interface.h"

namespace trel::host {

// The chip models the kit has (src/host/chips/).
enum class Chip : u8 {
    Saa7115,     // video decoder
    Saa7113,     // video decoder
    Tw9903,      // TW9903/5 video decoder
    Tw9906,      // video decoder with scaler
    Ov7640,      // OmniVision 7640 image sensor
    Ov6650,      // OmniVision 6650 image sensor
    Ccd,         // CCD sensor and its timing generator
    TunerChain,  // tuner module, IF demodulator and TV-audio decoder
};

// One bit of a chip register, by I2C address byte and register.
struct RegisterBit {
    u8 address;
    u16 reg;
    u8 mask;
};

// A decoder's scale-factor registers (source size x 256 / output size): the
// vertical factor's low byte, the high nibbles of both (vertical in bits 4-7,
// horizontal in bits 0-3), and the horizontal factor's low byte.
struct ScaleFactorRegisters {
    u8 address;
    u16 verticalLow;
    u16 highNibbles;
    u16 horizontalLow;
};

// A video property (SetVideoProperty / GetVideoProperty index) by the name
// the host's tools give it on this board.
struct PropertyName {
    const char* name;
    u32 index;
};

struct BoardEntry {
    // The key: as the board's catalogue descriptor gives them.
    u32 vendorId = 0;
    u32 productId = 0;
    u32 revision = 0;
    // As the host shows the board before opening it.
    const char* name = nullptr;
    // The chips on the board, in the order their states are described.
    std::span<const Chip> chips = {};
    // SAA7115 boards: the byte written to register 0x02 for each video source,
    // by source number.
    std::span<const u8> saa7115Inputs = {};
    // The decoder status bit that reports a 50-Hz signal, where capture start
    // reads one.
    std::optional<RegisterBit> signal50Hz = std::nullopt;
    // The scale-factor registers to read back after a step, where the board
    // scales in its decoder.
    std::optional<ScaleFactorRegisters> scaler = std::nullopt;
    // The video properties by name (the camera boards give some indexes
    // their own meanings).
    std::span<const PropertyName> properties = {};
};

// Exit status of a host that met a board without an entry.
inline constexpr int kExitNoBoardEntry = 4;  // as a refused module: the host cannot serve it

// Every entry (catalogue order, for reading; look boards up by ids).
std::span<const BoardEntry> BoardTable();

// The entry for a board by its ids; null when the table has none.
const BoardEntry* FindBoardEntry(const BoardDescriptor& board);

// The entry for a board by its ids. Without one, the process stops: "no
// host-side entry for the board with vendor id 0x%04X, product id 0x%04X,
// revision 0x%04X (add it to src/host/board_table.cpp)" on stderr, exit status
// kExitNoBoardEntry.
const BoardEntry& BoardEntryOf(const BoardDescriptor& board);

// ---- Over the catalogue the module returns through GetBoardModuleCaps: the
// active host's (SimHost::Catalogue()), or with no host active the one a host
// registering now receives.
std::span<const BoardDescriptor* const> ModuleCatalogue();

// The entry of catalogue entry `index` (stops as BoardEntryOf does when it has
// none); std::out_of_range past the catalogue's end.
const BoardEntry& CatalogueEntry(size_t index);

// The name the host shows for catalogue entry `index`.
const char* CatalogueBoardName(size_t index);

// Catalogue index by board name (whole name, case-insensitive) or decimal
// index; nullopt if the catalogue has no such board.
std::optional<size_t> FindCatalogueBoard(std::string_view nameOrIndex);

}  // namespace trel::host
