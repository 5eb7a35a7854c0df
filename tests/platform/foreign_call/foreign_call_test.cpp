// ForeignCall on 32-bit x86 Linux, and the bound operations that call through
// it. Built apart with -m32 (tests/foreign_call/CMakeLists.txt), once at -O0
// and once at -O2, since the functions called and the code around the calls
// differ between the two. Calls cdecl and stdcall functions of 0 to 5
// arguments, each from four stack depths, and checks after each call the
// result, the arguments the function saw, that its stack was aligned to 16
// bytes at the call, that the stack pointer is what it was before, and that
// every register the caller may rely on (ebx, esi, edi, ebp) and the caller's
// locals kept their values. Then binds a library of each convention by name
// (boardlib/zkt_bound.cpp) and calls all twelve operations through the table.
// Prints one line per group and every failure; exits 1 on any failure.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "boardlib/zkt_bound.h"
#include "platform/foreign_call.h"

// The build names its optimisation level (-DQUILMAR_OPTIMIZATION=O2).
#define QUILMAR_TEXT(x) #x
#define QUILMAR_LABEL(x) QUILMAR_TEXT(x)
#ifdef QUILMAR_OPTIMIZATION
#define QUILMAR_BUILD_LABEL "-" QUILMAR_LABEL(QUILMAR_OPTIMIZATION)
#else
#define QUILMAR_BUILD_LABEL "unnamed"
#endif

static_assert(kForeignCallNeeded, "this test is built for 32-bit x86");

#define STDCALL __attribute__((stdcall))
#define CDECL __attribute__((cdecl))

namespace {

int failures = 0;

void Fail(const char *what, const char *format, uint32_t got, uint32_t expected) {
    ++failures;
    std::printf("FAIL %s: ", what);
    std::printf(format, got, expected);
    std::printf("\n");
}

void Expect(const char *what, const char *item, uint32_t got, uint32_t expected) {
    if (got != expected) {
        char format[128];
        std::snprintf(format, sizeof format, "%s 0x%%08" PRIx32 ", expected 0x%%08" PRIx32, item);
        Fail(what, format, got, expected);
    }
}

// What the last function called saw.
struct Seen {
    uint32_t calls;
    uint32_t count;
    uint32_t words[5];
    uintptr_t stackAtCall;  // the caller's stack pointer at its call instruction
} seen;

// The result a function of count arguments gives for them: every word
// counts, in its place, and the two conventions differ.
uint32_t Answer(uint32_t convention, uint32_t count, const uint32_t *words) {
    uint32_t answer = 0x0A000000u ^ (convention << 20) ^ (count << 16);
    for (uint32_t i = 0; i < count; ++i) answer = answer * 31u + words[i] * (2u * i + 3u);
    return answer;
}

// Each test function notes its arguments and its frame. Its frame address
// (which the builtin makes it keep in ebp) lies 8 bytes below the stack
// pointer its caller had at the call: the return address and the saved ebp.
uint32_t Note(uint32_t convention, uint32_t count, const uint32_t *words, void *frame) {
    ++seen.calls;
    seen.count = count;
    for (uint32_t i = 0; i < count; ++i) seen.words[i] = words[i];
    seen.stackAtCall = reinterpret_cast<uintptr_t>(frame) + 8;
    return Answer(convention, count, words);
}

constexpr uint32_t kCdecl = 1;
constexpr uint32_t kStdcall = 2;

// The test functions of 0 to 5 arguments, one template a convention, each
// instance a real function with its convention (noinline, noipa).
template <typename... Words>
__attribute__((noinline, noipa)) uint32_t CDECL CdeclFunction(Words... words) {
    const uint32_t w[] = {words..., 0u};
    return Note(kCdecl, sizeof...(Words), w, __builtin_frame_address(0));
}
template <typename... Words>
__attribute__((noinline, noipa)) uint32_t STDCALL StdcallFunction(Words... words) {
    const uint32_t w[] = {words..., 0u};
    return Note(kStdcall, sizeof...(Words), w, __builtin_frame_address(0));
}

extern "C" {

// What ProbeCall saw around its call of ForeignCall.
struct Probe {
    uint32_t home;    // ProbeCall's own stack pointer, to return with
    uint32_t before;  // the stack pointer at the call of ForeignCall
    uint32_t after;   // the stack pointer right after it returned
    uint32_t ebx, esi, edi, ebp;
} quilmar_probe;
}

template <typename Function>
ForeignFunction Address(Function *function) {
    return reinterpret_cast<ForeignFunction>(function);
}

struct Case {
    char name[24];  // "cdecl, 2 words"
    uint32_t convention;
    uint32_t count;
    ForeignFunction function;
};

// The test functions of each convention, by their number of words.
using W = uint32_t;
struct Convention {
    const char *name;
    uint32_t id;
    ForeignFunction byCount[6];
};
const Convention kConventions[] = {
    {"cdecl",
     kCdecl,
     {Address(CdeclFunction<>), Address(CdeclFunction<W>), Address(CdeclFunction<W, W>),
      Address(CdeclFunction<W, W, W>), Address(CdeclFunction<W, W, W, W>),
      Address(CdeclFunction<W, W, W, W, W>)}},
    {"stdcall",
     kStdcall,
     {Address(StdcallFunction<>), Address(StdcallFunction<W>), Address(StdcallFunction<W, W>),
      Address(StdcallFunction<W, W, W>), Address(StdcallFunction<W, W, W, W>),
      Address(StdcallFunction<W, W, W, W, W>)}},
};

// Every test function as a case: cdecl then stdcall, 0 to 5 words.
struct Cases {
    Case list[12];
    Cases() {
        Case *c = list;
        for (const Convention &convention : kConventions) {
            for (uint32_t count = 0; count < 6; ++count, ++c) {
                std::snprintf(c->name, sizeof c->name, "%s, %" PRIu32 " word%s", convention.name,
                              count, count == 1 ? "" : "s");
                c->convention = convention.id;
                c->count = count;
                c->function = convention.byCount[count];
            }
        }
    }
    const Case *begin() const { return list; }
    const Case *end() const { return list + 12; }
} const kCases;

}  // namespace

// ProbeCall(function, words, count, skew): lowers the stack by skew words,
// loads ebx, esi, edi and ebp with marks, calls ForeignCall and notes in
// quilmar_probe the stack pointer before and after and the four registers.
extern "C" uint32_t CDECL ProbeCall(ForeignFunction function, const uint32_t *words, uint32_t count,
                                    uint32_t skew) __asm__("quilmar_probe_call");

constexpr uint32_t kMarkEbx = 0xB0B0B0B1u;
constexpr uint32_t kMarkEsi = 0x5151A5A5u;
constexpr uint32_t kMarkEdi = 0xD1D1D1D3u;
constexpr uint32_t kMarkEbp = 0xEBEBEB0Bu;

__asm__(
    ".text\n"
    ".globl quilmar_probe_call\n"
    ".type quilmar_probe_call, @function\n"
    "quilmar_probe_call:\n"
    "    pushl %ebp\n"
    "    pushl %ebx\n"
    "    pushl %esi\n"
    "    pushl %edi\n"
    "    movl %esp, quilmar_probe\n"
    "    movl 20(%esp), %edi\n"  // function
    "    movl 24(%esp), %esi\n"  // words
    "    movl 28(%esp), %edx\n"  // count
    "    movl 32(%esp), %ecx\n"  // skew
    "    shll $2, %ecx\n"
    "    subl %ecx, %esp\n"
    "    pushl $0\n"  // removed: not asked for
    "    pushl %edx\n"
    "    pushl %esi\n"
    "    pushl %edi\n"
    "    movl %esp, quilmar_probe+4\n"
    "    movl $0xB0B0B0B1, %ebx\n"
    "    movl $0x5151A5A5, %esi\n"
    "    movl $0xD1D1D1D3, %edi\n"
    "    movl $0xEBEBEB0B, %ebp\n"
    "    call quilmar_foreign_call\n"
    "    movl %esp, quilmar_probe+8\n"
    "    movl %ebx, quilmar_probe+12\n"
    "    movl %esi, quilmar_probe+16\n"
    "    movl %edi, quilmar_probe+20\n"
    "    movl %ebp, quilmar_probe+24\n"
    "    movl quilmar_probe, %esp\n"
    "    popl %edi\n"
    "    popl %esi\n"
    "    popl %ebx\n"
    "    popl %ebp\n"
    "    ret\n"
    ".size quilmar_probe_call, .-quilmar_probe_call\n");

namespace {

// Argument words unlike each other and unlike their neighbours on the stack.
void MakeWords(uint32_t seed, uint32_t *words) {
    for (uint32_t i = 0; i < 5; ++i) words[i] = 0x9E3779B9u * (seed * 8u + i + 1u) ^ 0x80000001u;
}

// What the function saw: its arguments, in order, and an aligned stack.
void CheckSeen(const char *what, const Case &c, const uint32_t *words, uint32_t callsBefore) {
    Expect(what, "calls made", seen.calls - callsBefore, 1);
    Expect(what, "words seen", seen.count, c.count);
    for (uint32_t i = 0; i < c.count; ++i) Expect(what, "word", seen.words[i], words[i]);
    Expect(what, "stack at the call modulo 16", static_cast<uint32_t>(seen.stackAtCall % 16), 0);
}

// Each case from four stack depths through ProbeCall: stack pointer and the
// caller's registers as they were.
int ProbeCases() {
    int checked = 0;
    for (const Case &c : kCases) {
        for (uint32_t skew = 0; skew < 4; ++skew) {
            char what[96];
            std::snprintf(what, sizeof what, "%s, stack lowered by %" PRIu32 " words", c.name,
                          skew);
            uint32_t words[5];
            MakeWords(c.convention * 16 + c.count * 4 + skew, words);
            const uint32_t callsBefore = seen.calls;
            const uint32_t result = ProbeCall(c.function, words, c.count, skew);
            Expect(what, "result", result, Answer(c.convention, c.count, words));
            CheckSeen(what, c, words, callsBefore);
            Expect(what, "stack pointer after the call", quilmar_probe.after, quilmar_probe.before);
            Expect(what, "ebx", quilmar_probe.ebx, kMarkEbx);
            Expect(what, "esi", quilmar_probe.esi, kMarkEsi);
            Expect(what, "edi", quilmar_probe.edi, kMarkEdi);
            Expect(what, "ebp", quilmar_probe.ebp, kMarkEbp);
            ++checked;
        }
    }
    return checked;
}

// Each case called from compiled code with locals in memory and in registers
// that must outlive the call: at -O2 the compiler reaches its locals through
// the stack pointer, so a stack pointer left wrong shows here.
__attribute__((noinline)) int CompiledCallerCases() {
    int checked = 0;
    for (const Case &c : kCases) {
        uint32_t words[5];
        MakeWords(100 + c.convention * 8 + c.count, words);
        volatile uint32_t inMemory[4] = {0x11111111u * c.count, 0xCAFEF00Du, words[0], ~words[1]};
        const uint32_t held = words[2] * 7u + c.convention;
        const uint32_t callsBefore = seen.calls;
        uint32_t removed = 0xDEADu;
        const uint32_t result = ForeignCall(c.function, words, c.count, &removed);
        __asm__ __volatile__("" ::: "memory");
        Expect(c.name, "result from compiled code", result, Answer(c.convention, c.count, words));
        Expect(c.name, "bytes removed", removed, c.convention == kStdcall ? 4 * c.count : 0);
        CheckSeen(c.name, c, words, callsBefore);
        Expect(c.name, "local 0", inMemory[0], 0x11111111u * c.count);
        Expect(c.name, "local 1", inMemory[1], 0xCAFEF00Du);
        Expect(c.name, "local 2", inMemory[2], words[0]);
        Expect(c.name, "local 3", inMemory[3], ~words[1]);
        Expect(c.name, "value held across the call", held, words[2] * 7u + c.convention);
        ++checked;
    }
    return checked;
}

// A library of one convention, bound by name: each operation looks up to the
// test function of its number of arguments.
void *Lookup(void *context, const char *name) {
    const uint32_t convention = *static_cast<const uint32_t *>(context);
    for (const ZktOperationName &operation : kZktOperationNames) {
        if (std::strcmp(operation.name, name) != 0) continue;
        for (const Case &c : kCases) {
            if (c.convention == convention &&
                c.count == static_cast<uint32_t>(operation.arguments)) {
                void *address = nullptr;
                std::memcpy(&address, &c.function, sizeof address);
                return address;
            }
        }
    }
    return nullptr;
}

template <typename Pointer>
uint32_t Word(Pointer *pointer) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}
uint32_t Word(int32_t value) { return static_cast<uint32_t>(value); }

// One operation called through the bound table: what the library saw and
// what the caller got.
void CheckOperation(const char *library, uint32_t convention, const char *name, int32_t result,
                    std::initializer_list<uint32_t> words) {
    char what[96];
    std::snprintf(what, sizeof what, "%s library, %s", library, name);
    Expect(what, "calls made", seen.calls, 1);
    Expect(what, "words seen", seen.count, static_cast<uint32_t>(words.size()));
    uint32_t i = 0;
    for (uint32_t word : words) Expect(what, "word", seen.words[i++], word);
    Expect(what, "stack at the call modulo 16", static_cast<uint32_t>(seen.stackAtCall % 16), 0);
    Expect(what, "result", static_cast<uint32_t>(result),
           Answer(convention, static_cast<uint32_t>(words.size()), words.begin()));
}

int BoundCases(uint32_t convention, const char *library) {
    ZktOperation missing = kZktDisplayMode;
    if (!ZktBind(Lookup, &convention, kZktAllOperations, &missing)) {
        std::printf("FAIL %s library: %s not bound\n", library, kZktOperationNames[missing].name);
        ++failures;
        return 0;
    }
    const ZktOps &ops = ZktBoundOps();
    int32_t count = 0, mode = 2;
    uint32_t lids[4] = {};
    BoardInfo info{};
    PuItem pus[2]{};
    ServiceItem services[2]{};
    char payload[16] = {};
    const char *configFile = "zkt.ini";
    const char *service = "BASEDDS0";
    int checked = 0;
    auto check = [&](const char *name, auto call, std::initializer_list<uint32_t> words) {
        seen = Seen{};
        CheckOperation(library, convention, name, call(), words);
        ++checked;
    };
    check("ZKT_displayMode", [&] { return ops.displayMode(-1); }, {Word(-1)});
    check("ZKT_init", [&] { return ops.init(configFile, &count); },
          {Word(configFile), Word(&count)});
    check("ZKT_lidList", [&] { return ops.lidList(lids, 4, &count); },
          {Word(lids), 4u, Word(&count)});
    check("ZKT_getInfo", [&] { return ops.getInfo(0x80000003u, &info); },
          {0x80000003u, Word(&info)});
    check("ZKT_open", [&] { return ops.open(7u, -3, payload); }, {7u, Word(-3), Word(payload)});
    check("ZKT_puList", [&] { return ops.puList(0x101, pus, 2, &count); },
          {0x101u, Word(pus), 2u, Word(&count)});
    check("ZKT_serviceList", [&] { return ops.serviceList(0x102, 0, services, 2, &count); },
          {0x102u, 0u, Word(services), 2u, Word(&count)});
    check("ZKT_capture", [&] { return ops.capture(0x103, 1, &mode, service, -1000); },
          {0x103u, 1u, Word(&mode), Word(service), Word(-1000)});
    check("ZKT_ctrl", [&] { return ops.ctrl(0x201, 0, 0x1804, payload); },
          {0x201u, 0u, 0x1804u, Word(payload)});
    check("ZKT_release", [&] { return ops.release(0x201, 0); }, {0x201u, 0u});
    check("ZKT_close", [&] { return ops.close(0x101); }, {0x101u});
    check("ZKT_cleanup", [&] { return ops.cleanup(); }, {});
    void *init = Lookup(&convention, "ZKT_init");
    Expect(library, "bound address of ZKT_init", Word(ZktBoundInitAddress()), Word(init));
    return checked;
}

}  // namespace

int main() {
    std::printf("ForeignCall, %s build\n", QUILMAR_BUILD_LABEL);
    const int probed = ProbeCases();
    std::printf("%d calls from assembly (cdecl and stdcall, 0 to 5 words, 4 stack depths)\n",
                probed);
    const int compiled = CompiledCallerCases();
    std::printf("%d calls from compiled code with live locals\n", compiled);
    const int cdeclOperations = BoundCases(kCdecl, "cdecl");
    const int stdcallOperations = BoundCases(kStdcall, "stdcall");
    std::printf("%d operations of a cdecl library and %d of a stdcall library bound by name\n",
                cdeclOperations, stdcallOperations);
    if (failures != 0) {
        std::printf("%d checks failed\n", failures);
        return 1;
    }
    std::printf("every check passed\n");
    return 0;
}
