// The kernel host: a host driver standing in for the host stream driver. The
// kernel loads it and, as its dependency, TrelBoard.sys; DriverEntry runs the
// host's usual sessions (kernel_host_steps.h, generated from the host kit's
// engine) through GetBoardModuleCaps and the operation tables, answering each
// service call as the kit's simulated host did. Every call, its arguments and
// what the host reads back go into a record that DriverUnload writes to
// C:\trel_kernel_host.rec with the kernel's file API; `trelhost kernel-record`
// prints it. No C runtime: the kernel's exports only.
#include "frame/host_interface.h"
#include "host_codes.h"
#include "kernel_host_steps.h"
#include "kernel_record.h"

using namespace trel;
using namespace trel::khost;
using trel::host::Op;
using trel::host::Service;

// ---- The kernel's side (ntoskrnl.exe exports).
struct UnicodeString {
    u16 length;
    u16 maximumLength;
    const char16_t* buffer;
};
struct ObjectAttributes {
    u32 length;
    void* rootDirectory;
    UnicodeString* objectName;
    u32 attributes;
    void* securityDescriptor;
    void* securityQualityOfService;
};
struct IoStatusBlock {
    void* status;
    uint64_t information;
};
// The driver object up to DriverUnload (x64 layout).
struct DriverObject {
    u8 head[0x68];
    void (*DriverUnload)(DriverObject*);
};
static_assert(sizeof(DriverObject) == 0x70);

extern "C" {
unsigned int DbgPrint(const char* format, ...);
int32_t ZwCreateFile(void** handle, u32 access, ObjectAttributes* attributes, IoStatusBlock* status, void* size,
                     u32 fileAttributes, u32 share, u32 disposition, u32 options, void* ea, u32 eaLength);
int32_t ZwWriteFile(void* handle, void* event, void* apc, void* apcContext, IoStatusBlock* status, const void* buffer,
                    u32 length, void* offset, void* key);
int32_t ZwClose(void* handle);
}
constexpr u32 kGenericWrite = 0x40000000;
constexpr u32 kSynchronize = 0x00100000;
constexpr u32 kFileAttributeNormal = 0x80;
constexpr u32 kFileOverwriteIf = 5;
constexpr u32 kFileSynchronousIoNonalert = 0x20;
constexpr u32 kFileNonDirectoryFile = 0x40;
constexpr u32 kObjCaseInsensitive = 0x40;
constexpr u32 kObjKernelHandle = 0x200;

namespace {

// ---- The record.
u8 g_record[2u << 20];
u32 g_used = 0;
bool g_overflow = false;
u8 g_device[kDeviceRecordMinSize];  // the host's device record
u32 g_nextAnswer = 0;
u32 g_answersLeft = 0;

void Put(const void* bytes, u32 size) {
    if (g_used + size > sizeof(g_record)) {
        g_overflow = true;
        return;
    }
    const u8* from = static_cast<const u8*>(bytes);
    for (u32 i = 0; i < size; ++i) g_record[g_used + i] = from != nullptr ? from[i] : 0;
    g_used += size;
}
void Pad() {
    const u32 zero = 0;
    Put(&zero, (4 - (g_used & 3)) & 3);
}
void Begin(u32 kind, u32 size) {
    const u32 head[2] = {kind, size};
    Put(head, sizeof(head));
}
void Words(u32 kind, const u32* words, u32 count) {
    Begin(kind, count * 4);
    Put(words, count * 4);
}

// ---- Host services: each call is announced on the debug output, answered
// with the next answer of the step and recorded.
const Answer& NextAnswer() {
    static constexpr Answer kNone = {0, 0, 0};
    if (g_answersLeft == 0) return kNone;
    --g_answersLeft;
    return kAnswers[g_nextAnswer++];
}

// The bytes a call hands over besides its fields: a subaddress header, the
// data written (for a read, the buffer the answer goes into) and a name.
struct Payload {
    const u8* header = nullptr;
    u32 headerSize = 0;
    const u8* data = nullptr;
    u32 dataSize = 0;
    const char* name = nullptr;
};

// `head` carries the call's fields; `readInto` receives a successful read's answer.
u32 Call(CallHead head, const Payload& p = {}, u8* readInto = nullptr, u32 readSize = 0) {
    DbgPrint("%s\n", kMarkCall);
    const Answer& answer = NextAnswer();
    const bool read = answer.result == 0 && readInto != nullptr;
    for (u32 i = 0; read && i < readSize; ++i) readInto[i] = i < answer.size ? kBytes[answer.data + i] : 0;
    if (head.service == static_cast<u32>(Service::I2cRead) && read) head.value = readInto[0];
    if (head.service == static_cast<u32>(Service::QueryParameter)) head.value = answer.result;
    head.result = answer.result;
    head.headerSize = p.headerSize;
    head.dataSize = p.dataSize;
    while (p.name != nullptr && p.name[head.nameSize] != '\0') ++head.nameSize;
    Begin(kEntryCall, u32{sizeof(head)} + head.headerSize + head.dataSize + head.nameSize);
    Put(&head, sizeof(head));
    Put(p.header, head.headerSize);
    Put(p.data, head.dataSize);
    Put(p.name, head.nameSize);
    Pad();
    return answer.result;
}

constexpr u32 Code(Service service) { return static_cast<u32>(service); }

u32 I2cWrite(void*, u8 address, u32 width, u16 reg, u8 value, u32 flags) {
    return Call({.service = Code(Service::I2cWrite), .address = address, .reg = reg, .value = value, .flags = flags,
                 .constantCount = 1, .constants = {width}});
}
u32 I2cRead(void*, u8 address, u32 width, u16 reg, u8* value, u32 flags) {
    return Call({.service = Code(Service::I2cRead), .address = address, .reg = reg, .flags = flags,
                 .constantCount = 1, .constants = {width}},
                {}, value, 1);
}
u32 I2cWriteBuffer(void*, u8 address, u32 zero, u16 zeroRegister, u32 count, const u8* bytes, u32 flags) {
    return Call({.service = Code(Service::I2cWriteBuffer), .address = address, .flags = flags, .constantCount = 2,
                 .constants = {zero, zeroRegister}},
                {.data = bytes, .dataSize = count});
}
u32 I2cWriteSubaddress(void*, u32 headerSize, const u8* header, u32 dataSize, const u8* data, u32 flags) {
    return Call({.service = Code(Service::I2cWriteSubaddress), .flags = flags}, {header, headerSize, data, dataSize});
}
u32 I2cReadSubaddress(void*, u32 headerSize, const u8* header, u32 dataSize, u8* data, u32 flags) {
    return Call({.service = Code(Service::I2cReadSubaddress), .flags = flags}, {header, headerSize, data, dataSize},
                data, dataSize);
}
u32 SerialWrite(void*, u32 bits1, u8 field1, u32 bits2, u16 field2, u32 bits3, u16 field3, u32 mode) {
    return Call({.service = Code(Service::SerialWrite), .address = field1, .reg = field2, .value = field3,
                 .constantCount = 4, .constants = {bits1, bits2, bits3, mode}});
}
u32 DeviceControl(void*, u32 request, u32* selector, u32* value, u32 zero) {
    return Call({.service = Code(Service::DeviceControl), .value = value != nullptr ? *value : 0,
                 .selector = selector != nullptr ? *selector : 0, .constantCount = 2, .constants = {request, zero}});
}
u32 EncoderWrite(void*, u16 reg, u8 value) {
    return Call({.service = Code(Service::EncoderWrite), .reg = reg, .value = value});
}
u32 QueryParameter(const char* name, u32 zero) {
    return Call({.service = Code(Service::QueryParameter), .constantCount = 1, .constants = {zero}},
                {.name = name != nullptr ? name : "(null)"});
}

constexpr HostServices kServices = {I2cWrite, I2cRead, I2cWriteBuffer, nullptr, I2cWriteSubaddress,
                                    I2cReadSubaddress, SerialWrite, nullptr, DeviceControl, nullptr,
                                    EncoderWrite, nullptr, QueryParameter};

// ---- Steps.
void StepBegins(u32 op, const u32* args) {
    DbgPrint("%s\n", kMarkStep);
    const u32 words[4] = {op, args[0], args[1], args[2]};
    Words(kEntryStep, words, 4);
}

void StepDone(u32 status, void* const* pointers, const u32* sizes, const StreamFormatTable* table) {
    const u32 tableSize = table != nullptr ? sizeof(StreamFormatTable) : 0;
    const DoneHead head = {status, {pointers[0] != nullptr ? sizes[0] : 0, pointers[1] != nullptr ? sizes[1] : 0},
                           tableSize};
    Begin(kEntryDone, u32{sizeof(head)} + head.recordSizes[0] + head.recordSizes[1] + tableSize);
    Put(&head, sizeof(head));
    for (u32 i = 0; i < 2; ++i) Put(pointers[i], head.recordSizes[i]);
    Put(table, tableSize);
    Pad();
}

// Host records: room for the largest a step hands over (the capture configuration).
alignas(8) u8 g_records[2][2048];
static_assert(sizeof(CaptureConfig) <= sizeof(g_records[0]) &&
              sizeof(VideoFormat) * kMaxVideoFormats <= sizeof(g_records[0]));

// Hands the step's records over and calls its slot. The steps name only
// slots the board has (the kit's session skips the others).
u32 RunStep(const BoardDescriptor& b, const Step& step, void*& context, const StreamFormatTable*& table) {
    void* r[2] = {nullptr, nullptr};
    u32 sizes[2] = {0, 0};
    for (u32 i = 0; i < 2; ++i) {
        const Record& record = step.records[i];
        if (record.null != 0) continue;
        sizes[i] = record.size < sizeof(g_records[i]) ? record.size : sizeof(g_records[i]);
        for (u32 k = 0; k < sizes[i]; ++k) g_records[i][k] = kBytes[record.data + k];
        r[i] = g_records[i];
    }
    StepBegins(step.op, step.args);
    g_nextAnswer = step.firstAnswer;
    g_answersLeft = step.answerCount;
    void* d = g_device;
    const u32* a = step.args;
    u32 status = 0;
    table = nullptr;
    switch (static_cast<Op>(step.op)) {
        case Op::OpenBoard: status = b.boardOps->OpenBoard(nullptr, &context, static_cast<BoardInfo*>(r[0])); break;
        case Op::CloseBoard: status = b.boardOps->CloseBoard(context); break;
        case Op::GetVideoSourceCaps: status = b.videoOps->GetVideoSourceCaps(); break;
        case Op::GetStreamFormatTable: table = b.videoOps->GetStreamFormatTable(); break;
        case Op::GetVideoFormats:
            status = b.videoOps->GetVideoFormats(context, d, static_cast<u32*>(r[0]), static_cast<VideoFormat*>(r[1]));
            break;
        case Op::GetDefaultVideoProperties:
            b.videoOps->GetDefaultVideoProperties(context, d, static_cast<VideoPropertySet*>(r[0]));
            break;
        case Op::InitVideoSource:
            status = b.videoOps->InitVideoSource(context, d, a[0], a[1], static_cast<VideoPropertySet*>(r[0]));
            break;
        case Op::OnStartCapture: status = b.videoOps->OnStartCapture(context, d, static_cast<CaptureConfig*>(r[0])); break;
        case Op::SetVideoProperty: status = b.videoOps->SetVideoProperty(context, d, a[0], a[1], a[2]); break;
        case Op::GetVideoProperty: status = b.videoOps->GetVideoProperty(context, d, a[0], static_cast<u32*>(r[0])); break;
        case Op::GetAudioSourceCaps: status = b.audioOps->GetAudioSourceCaps(); break;
        case Op::GetAudioChipconfig:
            b.audioOps->GetAudioChipconfig(context, d, static_cast<AudioChipConfig*>(r[0]), static_cast<AudioConfig*>(r[1]));
            break;
        case Op::InitAudio: status = b.audioOps->InitAudio(context, d, static_cast<AudioConfig*>(r[0])); break;
        case Op::GetVideoInputs: status = b.inputOps->GetVideoInputs(); break;
        case Op::GetVideoInputType: status = b.inputOps->GetVideoInputType(context); break;
        case Op::GetAudioInputType: status = b.inputOps->GetAudioInputType(context); break;
        case Op::SetCurrentVideoInputId: status = b.inputOps->Set_Current_Video_InputID(context, d, a[0]); break;
        case Op::SetCurrentAudioInputId: status = b.inputOps->Set_Current_Audio_InputID(context, d, a[0]); break;
        case Op::GetTunerProperty:
            status = b.tunerOps->GetTunerProperty(context, d, a[0], static_cast<u32*>(r[0]), static_cast<u32*>(r[1]));
            break;
        case Op::SetTunerProperty: status = b.tunerOps->SetTunerProperty(context, d, a[0], a[1], static_cast<u32*>(r[0])); break;
        default: status = kStatusInvalid; break;
    }
    StepDone(status, r, sizes, table);
    return status;
}

#ifdef TREL_KERNEL_HOST_CALLS_EXPORT_ENTRIES
// DllInitialize or DllUnload of the module, as a step of the record.
void ExportStep(u32 op, int32_t (*entry)()) {
    const u32 none[3] = {0, 0, 0};
    void* const pointers[2] = {nullptr, nullptr};
    StepBegins(op, none);
    StepDone(static_cast<u32>(entry()), pointers, none, nullptr);
}
int32_t Initialize() { return DllInitialize(nullptr); }
#endif

void WriteRecord() {
    const u32 end = g_overflow ? 1 : 0;
    if (!g_overflow) Words(kEntryEnd, &end, 1);
    static const char16_t kPath[] = u"\\??\\C:\\trel_kernel_host.rec";
    UnicodeString name = {sizeof(kPath) - 2, sizeof(kPath), kPath};
    ObjectAttributes attributes = {sizeof(ObjectAttributes), nullptr, &name, kObjCaseInsensitive | kObjKernelHandle,
                                   nullptr, nullptr};
    IoStatusBlock io = {};
    void* file = nullptr;
    int32_t status = ZwCreateFile(&file, kGenericWrite | kSynchronize, &attributes, &io, nullptr, kFileAttributeNormal,
                                  0, kFileOverwriteIf, kFileSynchronousIoNonalert | kFileNonDirectoryFile, nullptr, 0);
    if (status < 0) {
        DbgPrint("kernel-host: cannot create the record (0x%08x)\n", status);
        return;
    }
    status = ZwWriteFile(file, nullptr, nullptr, nullptr, &io, g_record, g_used, nullptr, nullptr);
    if (status < 0) DbgPrint("kernel-host: cannot write the record (0x%08x)\n", status);
    ZwClose(file);
}

void Unload(DriverObject*) {
#ifdef TREL_KERNEL_HOST_CALLS_EXPORT_ENTRIES
    // Standing in for the Windows loader, which calls DllUnload of an export
    // driver once its last importer is gone; Wine's does not.
    ExportStep(kOpDllUnload, DllUnload);
#endif
    WriteRecord();
}

}  // namespace

extern "C" int32_t DriverEntry(DriverObject* driver, void* /*registryPath*/) {
#ifdef TREL_KERNEL_HOST_CALLS_EXPORT_ENTRIES
    // Standing in for the Windows loader, which calls DllInitialize of an
    // export driver after binding it; Wine's does not.
    ExportStep(kOpDllInitialize, Initialize);
#endif
    const BoardDescriptor* const* catalogue = nullptr;
    u32 count = 0;
    GetBoardModuleCaps(nullptr, &kServices, &catalogue, &count);
    for (u32 n = 0; n < sizeof(kSessions) / sizeof(kSessions[0]); ++n) {
        const Session& session = kSessions[n];
        const u32 words[2] = {n, session.board};
        Words(kEntrySession, words, 2);
        if (catalogue == nullptr || session.board >= count) break;
        void* context = nullptr;
        const StreamFormatTable* table = nullptr;
        for (u32 s = 0; s < session.stepCount; ++s) RunStep(*catalogue[session.board], kSteps[session.firstStep + s], context, table);
    }
    driver->DriverUnload = Unload;
    return 0;
}
