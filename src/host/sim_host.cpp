// The simulated host: its HostServices table, the call log, the simulated
// chips behind the bus services and failure injection.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "event_order.h"
#include "sim_host.h"

namespace trel::host {

namespace detail {
uint64_t NextEventNumber() {
    static uint64_t last = 0;
    return ++last;
}
}  // namespace detail

namespace {

SimHost* g_activeHost = nullptr;

std::vector<u8> CopyIn(const u8* bytes, u32 length) {
    if (bytes == nullptr) return {};
    return std::vector<u8>(bytes, bytes + length);
}

}  // namespace

SimHost* ActiveHost() { return g_activeHost; }

u16 SubaddressRegister(const std::vector<u8>& header) {
    if (header.size() < 2) return 0;
    if (header.size() == 2) return header[1];
    return static_cast<u16>(header[header.size() - 2] << 8 | header.back());
}

// ---------------------------------------------------------------------------
// The functions of the table handed to the module. Each builds the BusCall
// from its arguments and lets the active host record and perform it; reads
// copy their answer out only when the call succeeded.
struct ServiceThunks {
    static SimHost& Host(Service service) {
        SimHost* host = ActiveHost();
        if (host == nullptr) {
            std::fprintf(stderr, "trelhostkit: the module called %s with no active SimHost\n", ServiceName(service));
            std::abort();
        }
        return *host;
    }

    static BusCall Call(Service service, void* device) {
        BusCall call;
        call.service = service;
        call.device = device;
        return call;
    }

    static u32 I2cWrite(void* device, u8 address, u32 registerWidth, u16 reg, u8 value, u32 flags) {
        BusCall call = Call(Service::I2cWrite, device);
        call.address = address;
        call.reg = reg;
        call.value = value;
        call.constants = {registerWidth};
        call.flags = flags;
        return Host(call.service).Record(std::move(call));
    }

    static u32 I2cRead(void* device, u8 address, u32 registerWidth, u16 reg, u8* value, u32 flags) {
        BusCall call = Call(Service::I2cRead, device);
        call.address = address;
        call.reg = reg;
        call.constants = {registerWidth};
        call.flags = flags;
        SimHost& host = Host(call.service);
        const u32 result = host.Record(std::move(call));
        const BusCall& done = host.log_.back();
        if (!done.injected && value != nullptr) *value = static_cast<u8>(done.value);
        return result;
    }

    static u32 I2cWriteBuffer(void* device, u8 address, u32 zero, u16 zeroRegister, u32 byteCount, const u8* bytes,
                              u32 flags) {
        BusCall call = Call(Service::I2cWriteBuffer, device);
        call.address = address;
        call.data = CopyIn(bytes, byteCount);
        call.constants = {zero, zeroRegister};
        call.flags = flags;
        return Host(call.service).Record(std::move(call));
    }

    static u32 I2cWriteSubaddress(void* device, u32 headerLength, const u8* header, u32 dataLength, const u8* data,
                                  u32 flags) {
        BusCall call = Call(Service::I2cWriteSubaddress, device);
        call.header = CopyIn(header, headerLength);
        call.address = call.header.empty() ? 0 : call.header[0];
        call.reg = SubaddressRegister(call.header);
        call.data = CopyIn(data, dataLength);
        call.flags = flags;
        return Host(call.service).Record(std::move(call));
    }

    static u32 I2cReadSubaddress(void* device, u32 headerLength, const u8* header, u32 dataLength, u8* data,
                                 u32 flags) {
        BusCall call = Call(Service::I2cReadSubaddress, device);
        call.header = CopyIn(header, headerLength);
        call.address = call.header.empty() ? 0 : call.header[0];
        call.reg = SubaddressRegister(call.header);
        call.data.resize(dataLength);  // the length asked for; Perform fills it
        call.flags = flags;
        SimHost& host = Host(call.service);
        const u32 result = host.Record(std::move(call));
        const BusCall& done = host.log_.back();
        if (!done.injected && data != nullptr) std::copy(done.data.begin(), done.data.end(), data);
        return result;
    }

    static u32 SerialWrite(void* device, u32 bits1, u8 field1, u32 bits2, u16 field2, u32 bits3, u16 field3,
                           u32 mode) {
        BusCall call = Call(Service::SerialWrite, device);
        call.address = field1;
        call.reg = field2;
        call.value = field3;
        call.constants = {bits1, bits2, bits3, mode};
        return Host(call.service).Record(std::move(call));
    }

    static u32 DeviceControl(void* device, u32 request, u32* selector, u32* value, u32 zero) {
        BusCall call = Call(Service::DeviceControl, device);
        call.selector = selector != nullptr ? *selector : 0;
        call.value = value != nullptr ? *value : 0;
        call.constants = {request, zero};
        return Host(call.service).Record(std::move(call));
    }

    static u32 EncoderWrite(void* device, u16 encoderRegister, u8 value) {
        BusCall call = Call(Service::EncoderWrite, device);
        call.reg = encoderRegister;
        call.value = value;
        return Host(call.service).Record(std::move(call));
    }

    static u32 QueryParameter(const char* name, u32 zero) {
        BusCall call = Call(Service::QueryParameter, nullptr);
        call.name = name != nullptr ? name : "(null)";
        call.constants = {zero};
        return Host(call.service).Record(std::move(call));
    }
};

namespace {

constexpr HostServices kSimServices = {
    ServiceThunks::I2cWrite,
    ServiceThunks::I2cRead,
    ServiceThunks::I2cWriteBuffer,
    nullptr,
    ServiceThunks::I2cWriteSubaddress,
    ServiceThunks::I2cReadSubaddress,
    ServiceThunks::SerialWrite,
    nullptr,
    ServiceThunks::DeviceControl,
    nullptr,
    ServiceThunks::EncoderWrite,
    nullptr,
    ServiceThunks::QueryParameter,
};

}  // namespace

// ---------------------------------------------------------------------------
SimHost::SimHost() : device_(kDeviceRecordMinSize + kDeviceGuardSize, 0) {
    std::fill(device_.begin() + kDeviceRecordMinSize, device_.end(), Guarded<u8>::kFill);
    Module::Get();
    Register();
}

SimHost::~SimHost() {
    if (g_activeHost == this) g_activeHost = nullptr;
}

void SimHost::Register() { RegisterTable(Services()); }

void SimHost::RegisterTable(const HostServices* table) {
    g_activeHost = this;
    registered_ = table;
    Module::Get().GetBoardModuleCaps(nullptr, table, &catalogue_, &count_);
}

const HostServices* SimHost::Services() const { return &kSimServices; }

const BoardDescriptor& SimHost::Board(size_t index) const {
    if (catalogue_ == nullptr || index >= count_ || catalogue_[index] == nullptr) {
        throw std::out_of_range("no catalogue entry " + std::to_string(index));
    }
    return *catalogue_[index];
}

u32 SimHost::DeviceWord(size_t offset) const {
    if (offset > kDeviceRecordMinSize - sizeof(u32)) throw std::out_of_range("device record offset");
    u32 value = 0;
    std::memcpy(&value, device_.data() + offset, sizeof(value));
    return value;
}

void SimHost::SetDeviceWord(size_t offset, u32 value) {
    if (offset > kDeviceRecordMinSize - sizeof(u32)) throw std::out_of_range("device record offset");
    std::memcpy(device_.data() + offset, &value, sizeof(value));
}

bool SimHost::DeviceGuardIntact() const {
    return std::all_of(device_.begin() + kDeviceRecordMinSize, device_.end(),
                       [](u8 b) { return b == Guarded<u8>::kFill; });
}

std::vector<std::string> SimHost::FormattedLog() const {
    std::vector<std::string> lines;
    lines.reserve(log_.size());
    for (const BusCall& call : log_) lines.push_back(call.Format());
    return lines;
}

// ---------------------------------------------------------------------------
u8 SimHost::Reg(u8 address, u16 reg) const {
    const auto device = registers_.find(address);
    if (device == registers_.end()) return 0;
    const auto value = device->second.find(reg);
    return value == device->second.end() ? 0 : value->second;
}

void SimHost::SetReg(u8 address, u16 reg, u8 value) { registers_[address][reg] = value; }

bool SimHost::Written(u8 address, u16 reg) const { return written_.count({address, reg}) != 0; }

void SimHost::ScriptRead(u8 address, u16 reg, std::vector<u8> bytes) {
    auto& queue = scriptedReads_[{address, reg}];
    queue.insert(queue.end(), bytes.begin(), bytes.end());
}

void SimHost::ScriptSubaddressRead(std::vector<u8> header, std::vector<u8> data) {
    scriptedSubReads_[std::move(header)].push_back(std::move(data));
}

std::vector<u8> SimHost::SubaddressData(const std::vector<u8>& header) const {
    const auto it = subaddressWrites_.find(header);
    return it == subaddressWrites_.end() ? std::vector<u8>{} : it->second;
}

void SimHost::SetParameter(const std::string& name, u32 value) { parameters_[name] = value; }

// ---------------------------------------------------------------------------
void SimHost::FailNthCall(size_t n, u32 result) {
    failAtCall_ = n == 0 ? 0 : calls_ + n;
    failAtResult_ = result;
}

void SimHost::FailMatching(Service service, int address, int reg, u32 result) {
    matchFailures_.push_back({service, address, reg, result});
}

void SimHost::ClearFailures() {
    failAtCall_ = 0;
    matchFailures_.clear();
}

std::optional<u32> SimHost::Failure(const BusCall& call) {
    if (script_ != nullptr) {
        if (call.service == Service::QueryParameter) return std::nullopt;
        const u32 result = script_->Result(call);
        return result != 0 ? std::optional<u32>(result) : std::nullopt;
    }
    return InjectedFailure(call);
}

std::optional<u32> SimHost::InjectedFailure(const BusCall& call) {
    if (failAtCall_ != 0 && calls_ == failAtCall_) {
        failAtCall_ = 0;
        return failAtResult_;
    }
    for (const MatchFailure& failure : matchFailures_) {
        if (failure.service == call.service && (failure.address < 0 || failure.address == call.address) &&
            (failure.reg < 0 || failure.reg == call.reg)) {
            return failure.result;
        }
    }
    return std::nullopt;
}

u32 SimHost::Record(BusCall call) {
    ++calls_;
    call.sequence = detail::NextEventNumber();
    if (const auto failure = Failure(call)) {
        call.injected = true;
        call.result = *failure;
        if (call.service == Service::QueryParameter) {
            call.value = *failure;
        } else if (call.service == Service::I2cReadSubaddress) {
            call.data.clear();  // nothing was read
        }
    } else {
        Perform(call);
    }
    log_.push_back(std::move(call));
    return log_.back().result;
}

void SimHost::Perform(BusCall& call) {
    call.result = 0;
    switch (call.service) {
    case Service::I2cWrite:
        registers_[call.address][call.reg] = static_cast<u8>(call.value);
        written_.insert({call.address, call.reg});
        break;
    case Service::I2cRead: {
        if (script_ != nullptr) {
            u8 byte = 0;
            script_->ReadBytes(&byte, 1);
            call.value = byte;
            break;
        }
        auto script = scriptedReads_.find({call.address, call.reg});
        if (script != scriptedReads_.end() && !script->second.empty()) {
            call.value = script->second.front();
            script->second.pop_front();
        } else {
            call.value = Reg(call.address, call.reg);
        }
        break;
    }
    case Service::I2cWriteSubaddress:
        subaddressWrites_[call.header] = call.data;
        break;
    case Service::I2cReadSubaddress: {
        const size_t length = call.data.size();
        std::vector<u8> answer(length, 0);
        if (script_ != nullptr) {
            script_->ReadBytes(answer.data(), length);
            call.data = std::move(answer);
            break;
        }
        auto script = scriptedSubReads_.find(call.header);
        if (script != scriptedSubReads_.end() && !script->second.empty()) {
            const std::vector<u8>& scripted = script->second.front();
            std::copy_n(scripted.begin(), std::min(length, scripted.size()), answer.begin());
            if (script->second.size() > 1) script->second.pop_front();
        }
        call.data = std::move(answer);
        break;
    }
    case Service::QueryParameter: {
        if (script_ != nullptr) {
            call.value = script_->Parameter(call.name);
            call.result = call.value;
            break;
        }
        const auto it = parameters_.find(call.name);
        call.value = it == parameters_.end() ? 0 : it->second;
        call.result = call.value;
        break;
    }
    case Service::I2cWriteBuffer:
    case Service::SerialWrite:
    case Service::DeviceControl:
    case Service::EncoderWrite:
        break;  // logged only
    }
}

}  // namespace trel::host
