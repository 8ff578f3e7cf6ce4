// The simulated host: what TRELCAP.SYS and the Windows kernel provide to the
// board module, for tests and trelhost. It loads the module as the host driver
// does, supplies the kernel services (trace capture, a checked pool), and hands
// the module a HostServices table backed by simulated chips, with a log of
// every call and failure injection.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "frame/host_interface.h"
#include "host_codes.h"

namespace trel::host {

// ---------------------------------------------------------------------------
// Kernel services (DbgPrint, ExAllocatePoolWithTag, ExFreePoolWithTag) as the
// process supplies them to the module. Process-wide.
class Kernel {
public:
    static Kernel& Get();

    // Complete trace messages, formatted, without prefix and newline.
    const std::vector<std::string>& Traces() const { return traces_; }
    // Event number (see BusCall::sequence) of each entry of Traces(), taken
    // when the message's newline arrives.
    const std::vector<uint64_t>& TraceOrder() const { return traceOrder_; }
    // Every DbgPrint call that broke the prefix, message, newline pattern.
    const std::vector<std::string>& TraceErrors() const { return traceErrors_; }
    void ClearTraces();
    // While set, DbgPrint returns at once and keeps nothing (a kernel with
    // debug output filtered away; for timing the module's own work).
    void DiscardTraces(bool discard) { discardTraces_ = discard; }
    // DbgPrint calls discarded so far.
    size_t DiscardedCalls() const { return discardedCalls_; }

    struct Allocation {
        void* pointer;
        size_t bytes;
        unsigned tag;
        int poolType;
    };
    const std::vector<Allocation>& LiveAllocations() const { return live_; }
    size_t AllocationCount() const { return allocationCount_; }  // successful ones, ever
    size_t FreeCount() const { return freeCount_; }
    // Wrong pool type or tag, unknown or double frees.
    const std::vector<std::string>& PoolErrors() const { return poolErrors_; }
    void ClearPoolErrors() { poolErrors_.clear(); }
    // Fail the n-th allocation request from now on (1 = the next); 0 cancels.
    void FailAllocation(size_t n);
    // Fail every allocation request while set.
    void FailAllAllocations(bool fail) { failAll_ = fail; }

    // Called by the exported C services.
    unsigned DbgPrintV(const char* format, va_list args);
    void* Allocate(int poolType, size_t bytes, unsigned tag);
    void Free(void* p, unsigned tag);

private:
    // Checks and keeps a DbgPrint call (out of line, so that a discarded
    // call stays a few instructions).
    __attribute__((noinline)) unsigned Record(const char* format, va_list args);

    std::vector<std::string> traces_;
    std::vector<uint64_t> traceOrder_;
    std::vector<std::string> traceErrors_;
    int traceState_ = 0;  // 0 expect prefix, 1 expect message, 2 expect newline
    std::string pending_;
    std::vector<Allocation> live_;
    std::vector<std::string> poolErrors_;
    size_t allocationCount_ = 0;
    size_t freeCount_ = 0;
    size_t requests_ = 0;
    size_t failAt_ = 0;
    bool failAll_ = false;
    bool discardTraces_ = false;
    size_t discardedCalls_ = 0;
};

// ---------------------------------------------------------------------------
// The loaded module: entry points and catalogue. Loaded once per process, the
// way the kernel loads an export driver (DllInitialize is called at load), from
// the path in the environment variable TREL_MODULE or else the built module. A
// module the loader refuses (module_loader.h) stops the process: the reason on
// stderr, exit status kExitModuleRefused.
class Module {
public:
    static constexpr int kExitModuleRefused = 4;
    static Module& Get();
    // The file Get() loads (TREL_MODULE or the built module), without loading it.
    static std::string FilePath();

    int32_t (*DllInitialize)(void*) = nullptr;
    int32_t (*DllUnload)() = nullptr;
    void (*GetBoardModuleCaps)(void*, const HostServices*, const BoardDescriptor* const**, u32*) = nullptr;

    std::string path;

private:
    Module();
};

// Names of the catalogue's boards, in catalogue order (as the host lists them),
// and a board's index by name (exact, case-insensitive) or decimal index,
// nullopt if none: CatalogueBoardName and FindCatalogueBoard of
// board_table.h, which defines both.
const std::vector<std::string>& BoardNames();
std::optional<size_t> FindBoard(std::string_view nameOrIndex);

// ---------------------------------------------------------------------------
// One host service call as the simulated host saw it.
const char* ServiceName(Service s);

struct BusCall {
    Service service{};
    u8 address = 0;            // I2C address byte; subaddress: header[0]; serial: field 1
    u16 reg = 0;               // I2C register; encoder register; serial: field 2 (page);
                               // subaddress: the last one or two header bytes after
                               // header[0] (register RH:RL of a 4-byte header)
    u32 value = 0;             // byte written or read; serial: field 3; DeviceControl: value;
                               // QueryParameter: the value answered
    u32 selector = 0;          // DeviceControl selector
    std::vector<u8> header;    // subaddress address block
    std::vector<u8> data;      // buffer / subaddress data (for reads: the bytes returned)
    std::vector<u32> constants;  // constant arguments in call order (register width,
                                 // bit counts, request, trailing zeros, 0x113)
    u32 flags = 0;
    std::string name;          // QueryParameter name
    u32 result = 0;            // what the service returned (QueryParameter: the value)
    bool injected = false;     // the result came from failure injection
    const void* device = nullptr;  // device handle as passed (QueryParameter: none)
    uint64_t sequence = 0;     // event number, shared with Kernel::TraceOrder()

    // Readable one-line form, e.g. "I2C 40 W 0A=99", "I2C 88 R 00->28",
    // "BUF C2 W 0B 8E 0C 60", "SUB 80 10:0030=2043", "SUB 86 00 W 16 74 49",
    // "SUB 80 11:007E->0123", "SUB 86 R 1F", "SER 5E/1/28", "DEVCTL 0=1",
    // "ENC 4137=07", "PARAM 50Hz=1"; non-zero flags add " f<flags in hex>";
    // a failed call ends with " !<result in hex>" (a failed read shows no
    // value: "I2C 40 R 1F !1"; a QueryParameter only when failure was injected).
    std::string Format() const;
};

// The register a subaddress header addresses: the last one or two bytes after
// the device's address byte (0 for a shorter header).
u16 SubaddressRegister(const std::vector<u8>& header);

// ---------------------------------------------------------------------------
// A scripted host side, for hosts that decide every answer themselves (the
// fuzz target): it fails calls and answers every read in place of the
// simulated chips and the failure injection of SimHost.
class HostScript {
public:
    virtual ~HostScript() = default;
    // The result of a call (not QueryParameter), before it is performed;
    // non-zero: the call fails with it and changes nothing.
    virtual u32 Result(const BusCall& call) = 0;
    // The bytes a successful read returns: `count` bytes into `bytes`.
    virtual void ReadBytes(u8* bytes, size_t count) = 0;
    // The value a QueryParameter answers.
    virtual u32 Parameter(const std::string& name) = 0;
};

// ---------------------------------------------------------------------------
class SimHost {
public:
    // Loads the module if needed, makes this host the active one and registers
    // its services table through GetBoardModuleCaps.
    SimHost();
    ~SimHost();
    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;

    // Calls GetBoardModuleCaps again with this host's table (or with `table`).
    void Register();
    void RegisterTable(const HostServices* table);

    const HostServices* Services() const;
    // The table last registered with the module.
    const HostServices* Registered() const { return registered_; }
    const BoardDescriptor* const* Catalogue() const { return catalogue_; }
    u32 CatalogueCount() const { return count_; }
    const BoardDescriptor& Board(size_t index) const;

    // The device handle: a zero-filled device record of kDeviceRecordMinSize bytes.
    void* Device() { return device_.data(); }
    u32 DeviceWord(size_t offset) const;
    void SetDeviceWord(size_t offset, u32 value);
    // The device record is followed by kDeviceGuardSize bytes of Guarded<>::kFill.
    static constexpr size_t kDeviceGuardSize = 64;
    bool DeviceGuardIntact() const;

    // ---- Call log (every service call, in order).
    const std::vector<BusCall>& Log() const { return log_; }
    std::vector<std::string> FormattedLog() const;
    void ClearLog() { log_.clear(); }
    size_t CallCount() const { return calls_; }  // calls since construction

    // ---- Simulated chips.
    // Register file per I2C address byte: writes land here, reads answer from here.
    u8 Reg(u8 address, u16 reg) const;
    void SetReg(u8 address, u16 reg, u8 value);  // presets; does not count as written
    bool Written(u8 address, u16 reg) const;     // by an I2cWrite of the module
    // Successive reads of (address, reg) answer these bytes first, then the register file.
    void ScriptRead(u8 address, u16 reg, std::vector<u8> bytes);
    // Subaddress reads whose header matches answer these data bytes (queued;
    // the last one stays once the queue has one entry left). Unscripted: zeros.
    void ScriptSubaddressRead(std::vector<u8> header, std::vector<u8> data);
    // Last data written with this subaddress header (empty if none).
    std::vector<u8> SubaddressData(const std::vector<u8>& header) const;
    // QueryParameter answers (unset names answer 0).
    void SetParameter(const std::string& name, u32 value);

    // ---- Failure injection. A failed call returns `result` and changes nothing
    // (reads leave the caller's buffer untouched).
    // Fail the n-th service call counted from now (1 = the next one).
    void FailNthCall(size_t n, u32 result = 1);
    // Fail every call of this service (address / reg: -1 matches any).
    void FailMatching(Service service, int address = -1, int reg = -1, u32 result = 1);
    void ClearFailures();

    // ---- Scripted answers: while set, `script` decides every result and read
    // answer (the register files, scripted reads, parameters and failure
    // injection above are not consulted). Null: back to the simulated chips.
    void SetScript(HostScript* script) { script_ = script; }
    // The failure injection above, for a script that keeps it: the result the
    // call (being recorded) fails with, if any.
    std::optional<u32> InjectedFailure(const BusCall& call);

private:
    friend struct ServiceThunks;
    u32 Record(BusCall call);  // applies failures, logs, returns the result
    std::optional<u32> Failure(const BusCall& call);
    void Perform(BusCall& call);  // the simulated chips' side of a call that did not fail

    const BoardDescriptor* const* catalogue_ = nullptr;
    u32 count_ = 0;
    const HostServices* registered_ = nullptr;
    std::vector<u8> device_;
    std::vector<BusCall> log_;
    size_t calls_ = 0;
    std::map<u8, std::map<u16, u8>> registers_;
    std::set<std::pair<u8, u16>> written_;
    std::map<std::pair<u8, u16>, std::deque<u8>> scriptedReads_;
    std::map<std::vector<u8>, std::deque<std::vector<u8>>> scriptedSubReads_;
    std::map<std::vector<u8>, std::vector<u8>> subaddressWrites_;
    std::map<std::string, u32> parameters_;
    struct MatchFailure {
        Service service;
        int address;
        int reg;
        u32 result;
    };
    std::vector<MatchFailure> matchFailures_;
    size_t failAtCall_ = 0;  // absolute call number to fail, 0 none
    u32 failAtResult_ = 1;
    HostScript* script_ = nullptr;
};

// The host currently registered with the module (the last SimHost constructed
// or registered); its services answer the module's calls. A service call with
// no active host is a broken test: it aborts with a message.
SimHost* ActiveHost();

// ---------------------------------------------------------------------------
// A host-owned record followed by guard bytes, to catch writes past its end.
template <typename T, size_t Guard = 64>
struct Guarded {
    static constexpr u8 kFill = 0xA5;
    alignas(8) u8 bytes[sizeof(T) + Guard];
    Guarded() { Fill(0); }
    explicit Guarded(u8 fill) { Fill(fill); }
    void Fill(u8 fill) {
        for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = fill;
        for (size_t i = sizeof(T); i < sizeof(bytes); ++i) bytes[i] = kFill;
    }
    T* get() { return reinterpret_cast<T*>(bytes); }
    u8* data() { return bytes; }
    T* operator->() { return get(); }
    bool GuardIntact() const {
        for (size_t i = sizeof(T); i < sizeof(bytes); ++i)
            if (bytes[i] != kFill) return false;
        return true;
    }
};

}  // namespace trel::host
