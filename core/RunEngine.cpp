#include "core/RunEngine.h"

#include <algorithm>
#include <array>

// Computed goto where the compiler has it; the switch otherwise, or when a build asks for it
// (the differential test is built both ways).
#if (defined(__GNUC__) || defined(__clang__)) && !defined(__EMSCRIPTEN__) && !defined(TARVENO_SWITCH_DISPATCH)
#define TARVENO_COMPUTED_GOTO 1
#else
#define TARVENO_COMPUTED_GOTO 0
#endif

namespace tarveno {

namespace {

// Steps between two looks at the stop request and the memory bound: rare enough to cost
// nothing, often enough to answer within microseconds. Each step makes at most two cells
// of main memory (a fetch and a read or write), so between two looks the store grows by
// at most what 2 * 4096 new cells bring.
constexpr uint64_t stopPollInterval = 4096;

// The engine's register file: the ten registers, then what a B code reads besides them,
// a place for the C bus of an unused destination, the pending memory results, and (at
// delayed + i) the value register i had before the delivery of the step before: a word
// read or a byte fetched is delivered at once, but the B bus of the next step still sees
// the old value.
constexpr int signedMbr = 10; // MBR sign-extended, B code 10
constexpr int zeroSlot = 11;  // B codes 11 to 15
constexpr int sinkSlot = 12;  // where an unused C destination writes
constexpr int pendingMdrSlot = 13;
constexpr int pendingMbrSlot = 14;
constexpr int delayed = 16;
constexpr int slotCount = 32;

// The ALU functions the handlers are specialised on; a code outside the table computes 0,
// like `zero`.
#define TARVENO_ALU_FUNCTIONS(X)                                                                             \
    X(hAndB, (a & b))                                                                                        \
    X(zero, 0u)                                                                                              \
    X(one, 1u)                                                                                               \
    X(minusOne, 0xFFFFFFFFu)                                                                                 \
    X(b, b)                                                                                                  \
    X(h, a)                                                                                                  \
    X(notH, ~a)                                                                                              \
    X(hOrB, a | b)                                                                                           \
    X(notB, ~b)                                                                                              \
    X(bPlusOne, b + 1u)                                                                                      \
    X(bMinusOne, b - 1u)                                                                                     \
    X(hPlusOne, a + 1u)                                                                                      \
    X(minusH, 0u - a)                                                                                        \
    X(hPlusB, a + b)                                                                                         \
    X(hPlusBPlusOne, a + b + 1u)                                                                             \
    X(bMinusH, b - a)

// How a specialised operation ends: no memory and no JAM; JAMZ alone; JAMN alone; rd, wr
// or fetch alone without JAM; fetch with JMPC alone. Anything else (another JMPC, memory
// with JAM, two memory operations, a shift, more than three destinations, a next address of
// 512 or more) is the general case.
#define TARVENO_TAILS(X, F, E)                                                                               \
    TARVENO_DELAYS(X, F, E, plain)                                                                           \
    TARVENO_DELAYS(X, F, E, jamZ)                                                                            \
    TARVENO_DELAYS(X, F, E, jamN)                                                                            \
    TARVENO_DELAYS(X, F, E, read)                                                                            \
    TARVENO_DELAYS(X, F, E, write)                                                                           \
    TARVENO_DELAYS(X, F, E, fetch)                                                                           \
    TARVENO_DELAYS(X, F, E, dispatch)
// Whether the B bus reads MDR or MBR, whose delivery it may not see yet: a handler of each.
#define TARVENO_DELAYS(X, F, E, T) X(F, E, T, direct) X(F, E, T, delayed)

enum Kind : uint16_t {
#define TARVENO_TAIL_KIND(F, E, T, D) kind_##F##_##T##_##D,
#define TARVENO_ALU_KINDS(F, E) TARVENO_TAILS(TARVENO_TAIL_KIND, F, E)
    TARVENO_ALU_FUNCTIONS(TARVENO_ALU_KINDS)
#undef TARVENO_ALU_KINDS
#undef TARVENO_TAIL_KIND
        kindGeneral,
    kindHook,        // an address where the Run looks before going on
    kindCountReturn, // the main loop, where a counting Run only counts
    kindMissing,     // an address below 512 without a record yet
    kindFar,         // a next address of 512 or more, not decoded yet
    kindTotal,       // how many kinds there are
};

enum Tail : uint16_t {
    tailPlain,
    tailJamZ,
    tailJamN,
    tailRead,
    tailWrite,
    tailFetch,
    tailDispatch, // fetch and JMPC: the main loop's dispatch
    tailCount,
    tailGeneral
};

// The handler index of each ALU code: the table's own, and `zero` for the others.
constexpr std::array<uint8_t, 64> aluIndices() {
    std::array<uint8_t, 64> index{};
    const uint32_t codes[] = {alu::hAndB,  alu::zero,     alu::one,           alu::minusOne,
                              alu::b,      alu::h,        alu::notH,          alu::hOrB,
                              alu::notB,   alu::bPlusOne, alu::bMinusOne,     alu::hPlusOne,
                              alu::minusH, alu::hPlusB,   alu::hPlusBPlusOne, alu::bMinusH};
    for (auto& i : index)
        i = 1; // zero
    for (uint8_t i = 0; i < 16; ++i)
        index[codes[i]] = i;
    return index;
}
constexpr std::array<uint8_t, 64> aluIndex = aluIndices();

} // namespace

// One control-store word as the engine runs it: a cache line.
struct alignas(64) RunEngine::Operation {
    void* target = nullptr;              // the handler (computed goto)
    void* bodyTarget = nullptr;          // the operation's own handler, when target is a hook
    const Operation* succ = nullptr;     // the next operation, JAM bits clear
    const Operation* succHigh = nullptr; // with JAMZ or JAMN taken
    const Microinstruction* mic = nullptr;
    uint32_t address = 0;
    uint32_t next = 0; // the record's next address
    uint16_t kind = kindMissing;
    uint16_t bodyKind = kindMissing;
    uint8_t b = 0;      // the slot the B bus reads
    uint8_t bDelay = 0; // the pending operation whose delivery the B bus does not see yet
    uint8_t d0 = sinkSlot, d1 = sinkSlot, d2 = sinkSlot; // the C bus's destinations
    uint8_t mem = 0;
    uint8_t jam = 0;
    uint8_t alu = 0;   // the ALU function code
    uint8_t shift = 0; // the shifter code
};
static_assert(sizeof(RunEngine::Operation) == 64);

namespace {

constexpr uint32_t farSlots = 2; // the far operation executing and the one before it
constexpr uint32_t pendingFarIndex = RunEngine::addresses + farSlots;
constexpr uint32_t standInIndex = pendingFarIndex + 1; // the step before a call, by its address
constexpr uint32_t operationCount = standInIndex + 1;

} // namespace

RunEngine::RunEngine(Machine& machine) : machine_(machine), ops_(new Operation[operationCount]) {
    ops_[pendingFarIndex].kind = ops_[pendingFarIndex].bodyKind = kindFar;
    execute(nullptr); // learns where the handlers are
    setTargets(ops_[pendingFarIndex]);
}

void RunEngine::setTargets(Operation& op) const {
    if (!labels_) return;
    op.target = labels_[op.kind];
    op.bodyTarget = labels_[op.bodyKind];
}

RunEngine::~RunEngine() = default;

void RunEngine::decode(Operation& op, uint32_t address, const Microinstruction* mic) {
    const bool isHooked = address < addresses && hooked_[address];
    op = Operation{};
    op.address = address;
    op.mic = mic;
    uint16_t kind = kindMissing;
    if (mic) {
        const uint32_t w = mic->word;
        op.next = mic->nextAddress;
        const uint32_t b = field(w, Field::B);
        op.b = static_cast<uint8_t>(b <= B_MBR ? b : uint32_t{zeroSlot});
        op.bDelay = static_cast<uint8_t>(b == B_MDR                  ? uint32_t{MemRead}
                                         : b == B_MBRU || b == B_MBR ? uint32_t{MemFetch}
                                                                     : 0u);
        op.mem = static_cast<uint8_t>(field(w, Field::Mem));
        op.jam = static_cast<uint8_t>(field(w, Field::JAM));
        op.alu = static_cast<uint8_t>(field(w, Field::ALU) & 0x3Fu);
        op.shift = static_cast<uint8_t>(field(w, Field::ALU) >> 6);
        uint32_t enables = field(w, Field::C);
        const int destinations = __builtin_popcount(enables);
        for (uint8_t* d : {&op.d0, &op.d1, &op.d2})
            if (enables) {
                *d = static_cast<uint8_t>(__builtin_ctz(enables));
                enables &= enables - 1;
            }
        if (op.next < addresses) op.succ = &ops_[op.next];
        if ((op.next | machine::highBit) < addresses) op.succHigh = &ops_[op.next | machine::highBit];

        Tail tail = tailGeneral;
        const bool shifted = op.shift == 1 || op.shift == 2;
        if (!shifted && destinations <= 3 && op.next < addresses) {
            if (op.mem == 0 && op.jam == 0) tail = tailPlain;
            if (op.mem == 0 && op.jam == 1) tail = tailJamZ;
            if (op.mem == 0 && op.jam == 2) tail = tailJamN;
            if (op.jam == 0 && op.mem == MemRead) tail = tailRead;
            if (op.jam == 0 && op.mem == MemWrite) tail = tailWrite;
            if (op.jam == 0 && op.mem == MemFetch) tail = tailFetch;
            if (op.jam == 4 && op.mem == MemFetch) tail = tailDispatch;
        }
        const uint32_t specialised =
            (uint32_t{aluIndex[op.alu]} * tailCount + tail) * 2 + (op.bDelay ? 1 : 0);
        kind = static_cast<uint16_t>(tail == tailGeneral ? uint32_t{kindGeneral} : specialised);
    }
    op.bodyKind = kind;
    op.kind = isHooked ? hookKinds_[address] : kind;
    setTargets(op);
}

void RunEngine::decodeAll() {
    for (uint32_t a = 0; a < addresses; ++a)
        decode(ops_[a], a, machine_.controlStore_.search(a));
    stale_ = false;
}

void RunEngine::hook(uint32_t address, uint16_t kind) {
    hooked_.set(address);
    hookKinds_[address] = kind;
    ops_[address].kind = kind;
    setTargets(ops_[address]);
}

void RunEngine::unhookAll() {
    for (uint32_t a = 0; a < addresses; ++a)
        if (hooked_[a]) {
            ops_[a].kind = ops_[a].bodyKind;
            setTargets(ops_[a]);
        }
    hooked_.reset();
}

StopReason RunEngine::run(const EngineRequest& request) {
    if (stale_) decodeAll();
    // The hooks of this Run: where it stops, where counts are taken, the breakpoints.
    const Breakpoints* breakpoints = request.limits.breakpoints && request.limits.breakpoints->any()
                                         ? request.limits.breakpoints
                                         : nullptr;
    if (breakpoints)
        for (uint32_t a = 0; a < addresses; ++a)
            if (breakpoints->micro[a]) hook(a, kindHook);
    if (request.stopAtHalt || request.counts) hook(machine::haltAddress, kindHook);
    // A counting Run comes back to the main loop once an IJVM instruction: there it only
    // counts, unless it may stop there too.
    const bool mayStopAtMainLoop =
        request.stopAtMainLoop ||
        (breakpoints && (!breakpoints->ijvm.empty() || breakpoints->micro[machine::mainLoopAddress]));
    if (mayStopAtMainLoop)
        hook(machine::mainLoopAddress, kindHook);
    else if (request.counts)
        hook(machine::mainLoopAddress, kindCountReturn);
    struct Unhook {
        RunEngine& engine;
        ~Unhook() { engine.unhookAll(); }
    } unhook{*this};
    return execute(&request);
}

#if TARVENO_COMPUTED_GOTO
#define TARVENO_CASE(name) L_##name:
// NOLINTBEGIN(bugprone-macro-parentheses): a goto's target takes no parentheses
#define TARVENO_DISPATCH() goto * op->target
#define TARVENO_DISPATCH_BODY() goto * op->bodyTarget
// NOLINTEND(bugprone-macro-parentheses)
#else
#define TARVENO_CASE(name)                                                                                   \
    case name:                                                                                               \
        B_##name:
#define TARVENO_DISPATCH() goto dispatch
#define TARVENO_DISPATCH_BODY() goto dispatchBody
#endif

// The one function of the engine's handlers: the hot loop. Aligned, so that its speed
// does not depend on where a program's link puts it.
[[gnu::aligned(64)]] StopReason RunEngine::execute(const EngineRequest* request) {
#if TARVENO_COMPUTED_GOTO
#define TARVENO_TAIL_LABEL(F, E, T, D) &&L_kind_##F##_##T##_##D,
#define TARVENO_ALU_LABELS(F, E) TARVENO_TAILS(TARVENO_TAIL_LABEL, F, E)
    static void* const labels[kindTotal] = {TARVENO_ALU_FUNCTIONS(TARVENO_ALU_LABELS) && L_kindGeneral,
                                            &&L_kindHook, &&L_kindCountReturn, &&L_kindMissing, &&L_kindFar};
#undef TARVENO_ALU_LABELS
#undef TARVENO_TAIL_LABEL
    // The handlers' addresses are known only here: called without a request, it tells them.
    labels_ = labels;
#endif
    if (!request) return StopReason::Bound;
    const EngineRequest& q = *request;

    Machine& m = machine_;
    MainMemory& memory = m.mainMemory;
    OutputRecord* const sink = m.outputSink;
    const Breakpoints* const breakpoints =
        q.limits.breakpoints && q.limits.breakpoints->any() ? q.limits.breakpoints : nullptr;
    ExecutionCounts* const counts = q.counts;
    const uint64_t microBase = counts ? counts->micro : 0;
    Operation* const pendingFar = &ops_[pendingFarIndex];
    Operation* const farOps = &ops_[addresses];
    uint32_t farToggle = 0;

    // The machine's state, as the engine keeps it.
    int32_t r[slotCount] = {};
    std::copy(std::begin(m.registers), std::end(m.registers), r);
    r[signedMbr] = static_cast<int8_t>(r[MBR] & 0xFF);
    r[pendingMdrSlot] = m.pendingMdr;
    r[pendingMbrSlot] = m.pendingMbr;
    uint32_t prevMem = m.pendingOps; // the Mem field of the step executed last
    if (prevMem & MemRead) {
        r[delayed + MDR] = r[MDR];
        r[MDR] = m.pendingMdr;
    }
    if (prevMem & MemFetch) {
        r[delayed + MBR] = r[MBR];
        r[delayed + signedMbr] = r[signedMbr];
        r[MBR] = m.pendingMbr;
        r[signedMbr] = static_cast<int8_t>(m.pendingMbr & 0xFF);
    }
    uint32_t a = 0, b = 0, c = 0; // the A, B and C buses of the step executed last

    // Where the machine stands: the operation to execute next, and the one executed last
    // (before any step, a stand-in that knows only the address).
    Operation* const before = &ops_[standInIndex];
    before->address = m.previousMpc;
    const Operation* last = before;
    const Operation* op;
    if (m.mpc < addresses) {
        op = &ops_[m.mpc];
    } else {
        pendingFar->address = m.mpc;
        op = pendingFar;
    }

    uint64_t done = 0;          // steps completed before this chunk
    uint64_t chunk = 0;         // steps of this chunk
    uint64_t budget = 0;        // of them still to go
    uint64_t chunkEndMicro = 0; // counts->micro once this chunk is done
    bool fetching = false;      // looking up the record of the step begun
    StopReason why = StopReason::Bound;

    // The state back into the machine, after `completed` steps, the last of them `executed`,
    // standing at `at`. The hot variables are passed, not captured, so that they stay in
    // registers while the loop runs.
    // The machine as op left it: registers, pending memory, buses, flags and its word.
    auto leave = [&m, &r](const Operation* executed, uint32_t pending, uint32_t aBus, uint32_t bBus,
                          uint32_t cBus) {
        std::copy(r, r + RegisterCount, m.registers);
        m.pendingMdr = r[pendingMdrSlot];
        m.pendingMbr = r[pendingMbrSlot];
        m.pendingOps = pending;
        m.aBus = static_cast<int32_t>(aBus);
        m.bBus = static_cast<int32_t>(bBus);
        m.cBus = static_cast<int32_t>(cBus);
        m.n = static_cast<int32_t>(cBus) < 0 ? 1 : 0;
        m.z = cBus == 0 ? 1 : 0;
        m.aluFunction = executed->alu;
        m.shifterCode = executed->shift;
        m.mir = executed->mic->word;
        m.current_ = executed->mic;
    };
    auto writeBack = [&m, &r, &leave](uint64_t completed, const Operation* executed, const Operation* at,
                                      uint32_t pending, uint32_t aBus, uint32_t bBus, uint32_t cBus) {
        if (completed == 0) return;
        leave(executed, pending, aBus, bBus, cBus);
        if (pending & MemRead) m.registers[MDR] = r[delayed + MDR];
        if (pending & MemFetch) m.registers[MBR] = r[delayed + MBR];
        m.previousMpc = executed->address;
        m.mpc = at->address;
        m.microCounter += static_cast<uint32_t>(completed);
    };
    // Arriving at a hooked address after `completed` steps (count: take the counts there).
    auto arrive = [&q, &r, counts, breakpoints, microBase](const Operation* hooked, uint64_t completed,
                                                           bool count) {
        const uint32_t at = hooked->address;
        if (count && counts && (at == machine::mainLoopAddress || at == machine::haltAddress)) {
            counts->micro = microBase + completed;
            counts->stepEnded(at, r[PC], static_cast<uint8_t>(r[MBR]));
        }
        if ((q.stopAtHalt && at == machine::haltAddress) ||
            (q.stopAtMainLoop && at == machine::mainLoopAddress))
            return StopReason::Halted;
        if (breakpoints && breakpoints->at(at, r[PC])) return StopReason::Breakpoint;
        return StopReason::Bound;
    };

// What ExecutionCounts::stepEnded does on a return to the main loop, after `micro` steps
// in all, done here so that the loop's registers stay where they are.
#define TARVENO_COUNT_RETURN(micro)                                                                          \
    {                                                                                                        \
        ExecutionCounts& k_ = *counts;                                                                       \
        const uint64_t micro_ = (micro);                                                                     \
        if (k_.spanPc >= 0) {                                                                                \
            ++k_.ijvm;                                                                                       \
            ++k_.instructions[k_.spanOpcode];                                                                \
            k_.microOfInstructions[k_.spanOpcode] += micro_ - k_.spanStart;                                  \
            k_.lastPc = k_.spanPc;                                                                           \
        }                                                                                                    \
        k_.spanPc = k_.dispatchPc = r[PC];                                                                   \
        ++k_.returns;                                                                                        \
        k_.spanOpcode = static_cast<uint8_t>(r[MBR]);                                                        \
        k_.spanStart = micro_;                                                                               \
        k_.previousReturn = k_.lastReturn;                                                                   \
        k_.lastReturn = micro_;                                                                              \
    }

#define TARVENO_NEXT()                                                                                       \
    if (--budget == 0) goto chunkEnd;                                                                        \
    TARVENO_DISPATCH()

// The B bus, and the A bus; a value the previous step read or fetched is not on it yet.
#define TARVENO_BUSES_direct()                                                                               \
    b = static_cast<uint32_t>(r[op->b]);                                                                     \
    a = static_cast<uint32_t>(r[H])
#define TARVENO_BUSES_delayed()                                                                              \
    b = static_cast<uint32_t>(r[op->b + ((prevMem & op->bDelay) ? delayed : 0)]);                            \
    a = static_cast<uint32_t>(r[H])

#define TARVENO_FETCH_INTO(byte)                                                                             \
    const uint32_t pc_ = static_cast<uint32_t>(r[PC]);                                                       \
    const uint32_t word_ = static_cast<uint32_t>(memory.read(pc_ >> 2));                                     \
    const int32_t byte = static_cast<int32_t>((word_ >> (8 * (3 - (pc_ & 3u)))) & 0xFFu)

#define TARVENO_DELIVER_FETCH(byte)                                                                          \
    r[delayed + MBR] = r[MBR];                                                                               \
    r[delayed + signedMbr] = r[signedMbr];                                                                   \
    r[MBR] = byte;                                                                                           \
    r[signedMbr] = static_cast<int8_t>(byte);                                                                \
    r[pendingMbrSlot] = byte

#define TARVENO_READ()                                                                                       \
    {                                                                                                        \
        const int32_t value_ = memory.read(static_cast<uint32_t>(r[MAR]));                                   \
        r[delayed + MDR] = r[MDR];                                                                           \
        r[MDR] = value_;                                                                                     \
        r[pendingMdrSlot] = value_;                                                                          \
    }

#define TARVENO_WRITE()                                                                                      \
    {                                                                                                        \
        const uint32_t mar_ = static_cast<uint32_t>(r[MAR]);                                                 \
        memory.write(mar_, r[MDR]);                                                                          \
        if (mar_ == machine::standardOutputAddress && sink) [[unlikely]]                                     \
            sink->record(r[MDR]);                                                                            \
    }

#define TARVENO_TAIL_plain()                                                                                 \
    prevMem = 0;                                                                                             \
    last = op;                                                                                               \
    op = op->succ;                                                                                           \
    TARVENO_NEXT();
#define TARVENO_TAIL_jamZ()                                                                                  \
    prevMem = 0;                                                                                             \
    last = op;                                                                                               \
    if (c == 0) {                                                                                            \
        op = op->succHigh;                                                                                   \
        TARVENO_NEXT();                                                                                      \
    }                                                                                                        \
    op = op->succ;                                                                                           \
    TARVENO_NEXT();
#define TARVENO_TAIL_jamN()                                                                                  \
    prevMem = 0;                                                                                             \
    last = op;                                                                                               \
    if (static_cast<int32_t>(c) < 0) {                                                                       \
        op = op->succHigh;                                                                                   \
        TARVENO_NEXT();                                                                                      \
    }                                                                                                        \
    op = op->succ;                                                                                           \
    TARVENO_NEXT();
#define TARVENO_TAIL_read()                                                                                  \
    TARVENO_READ();                                                                                          \
    prevMem = MemRead;                                                                                       \
    last = op;                                                                                               \
    op = op->succ;                                                                                           \
    TARVENO_NEXT();
#define TARVENO_TAIL_write()                                                                                 \
    TARVENO_WRITE();                                                                                         \
    prevMem = MemWrite;                                                                                      \
    last = op;                                                                                               \
    op = op->succ;                                                                                           \
    TARVENO_NEXT();
#define TARVENO_TAIL_fetch()                                                                                 \
    {                                                                                                        \
        TARVENO_FETCH_INTO(byte_);                                                                           \
        TARVENO_DELIVER_FETCH(byte_);                                                                        \
    }                                                                                                        \
    prevMem = MemFetch;                                                                                      \
    last = op;                                                                                               \
    op = op->succ;                                                                                           \
    TARVENO_NEXT();

// JMPC takes MBR as the step before delivered it, before this step's fetch arrives.
#define TARVENO_TAIL_dispatch()                                                                              \
    {                                                                                                        \
        const uint32_t next_ = op->next | static_cast<uint32_t>(r[MBR]);                                     \
        TARVENO_FETCH_INTO(byte_);                                                                           \
        TARVENO_DELIVER_FETCH(byte_);                                                                        \
        prevMem = MemFetch;                                                                                  \
        last = op;                                                                                           \
        if (next_ < addresses) [[likely]] {                                                                  \
            op = &ops_[next_];                                                                               \
        } else {                                                                                             \
            pendingFar->address = next_;                                                                     \
            op = pendingFar;                                                                                 \
        }                                                                                                    \
    }                                                                                                        \
    TARVENO_NEXT();

#define TARVENO_HANDLER(F, E, T, D)                                                                          \
    TARVENO_CASE(kind_##F##_##T##_##D) {                                                                     \
        TARVENO_BUSES_##D();                                                                                 \
        c = (E);                                                                                             \
        r[op->d0] = static_cast<int32_t>(c);                                                                 \
        r[op->d1] = static_cast<int32_t>(c);                                                                 \
        r[op->d2] = static_cast<int32_t>(c);                                                                 \
        TARVENO_TAIL_##T()                                                                                   \
    }

#define TARVENO_ALU_HANDLERS(F, E) TARVENO_TAILS(TARVENO_HANDLER, F, E)

    try {
        // A Run looks where it stands before the first step; an IJVM step executes it first.
        if (!q.atLeastOne && op->kind == kindHook)
            if ((why = arrive(op, 0, false)) != StopReason::Bound) goto leave;
        goto chunkStart;

    chunkEnd:
        done += chunk;
        chunk = budget = 0;
        if (op->kind == kindHook)
            if ((why = arrive(op, done, true)) != StopReason::Bound) goto leave;
        if (op->kind == kindCountReturn) TARVENO_COUNT_RETURN(microBase + done);
    chunkStart : {
        uint64_t size = stopPollInterval;
        if (q.limits.maxSteps) {
            if (done >= q.limits.maxSteps) {
                why = StopReason::Bound;
                goto leave;
            }
            size = std::min(size, q.limits.maxSteps - done);
        }
        if (q.limits.maxMemoryBytes && memory.bytesUsed() > q.limits.maxMemoryBytes) {
            why = StopReason::MemoryBound;
            goto leave;
        }
        if (q.limits.stop && q.limits.stop->load(std::memory_order_relaxed)) {
            why = StopReason::Stopped;
            goto leave;
        }
        chunk = budget = size;
        chunkEndMicro = microBase + done + size;
    }
        TARVENO_DISPATCH_BODY();

#if !TARVENO_COMPUTED_GOTO
    dispatchBody:
        switch (op->bodyKind) {
        case kindHook: // never a body
        case kindCountReturn:
            break;
#define TARVENO_BODY_CASE(F, E, T, D)                                                                        \
    case kind_##F##_##T##_##D:                                                                               \
        goto B_kind_##F##_##T##_##D;
#define TARVENO_ALU_BODY_CASES(F, E) TARVENO_TAILS(TARVENO_BODY_CASE, F, E)
            TARVENO_ALU_FUNCTIONS(TARVENO_ALU_BODY_CASES)
#undef TARVENO_ALU_BODY_CASES
#undef TARVENO_BODY_CASE
        case kindGeneral:
            goto B_kindGeneral;
        case kindMissing:
            goto B_kindMissing;
        case kindFar:
            goto B_kindFar;
        }
    dispatch:
        switch (op->kind) {
#endif

            TARVENO_ALU_FUNCTIONS(TARVENO_ALU_HANDLERS)

            TARVENO_CASE(kindGeneral) {
                TARVENO_BUSES_delayed();
                c = DatapathState::shift(DatapathState::aluResult(op->alu, a, b), op->shift);
                for (uint32_t en = field(op->mic->word, Field::C); en != 0; en &= en - 1)
                    r[__builtin_ctz(en)] = static_cast<int32_t>(c);
                // JMPC takes MBR as this step's delivery left it, before this step's fetch.
                uint32_t next = op->next;
                if (op->jam) {
                    if ((op->jam & 1u) && c == 0) next |= machine::highBit;
                    if ((op->jam & 2u) && static_cast<int32_t>(c) < 0) next |= machine::highBit;
                    if (op->jam & 4u) next |= static_cast<uint32_t>(r[MBR]);
                }
                const uint32_t mem = op->mem;
                if (mem) {
                    // The byte fetched is pending before the read: a read that fails leaves it so.
                    if (mem & MemFetch) {
                        TARVENO_FETCH_INTO(byte_);
                        r[pendingMbrSlot] = byte_;
                    }
                    if (mem & MemRead)
                        TARVENO_READ()
                    else if (mem & MemWrite)
                        TARVENO_WRITE()
                    if (mem & MemFetch) {
                        const int32_t fetched_ = r[pendingMbrSlot];
                        TARVENO_DELIVER_FETCH(fetched_);
                    }
                }
                prevMem = mem;
                last = op;
                if (next < addresses) {
                    op = &ops_[next];
                } else {
                    pendingFar->address = next;
                    op = pendingFar;
                }
                TARVENO_NEXT();
            }

#if TARVENO_COMPUTED_GOTO
        L_kindHook :
#else
    case kindHook:
#endif
        {
            if ((why = arrive(op, done + (chunk - budget), true)) != StopReason::Bound) goto leave;
            TARVENO_DISPATCH_BODY();
        }

#if TARVENO_COMPUTED_GOTO
        L_kindCountReturn :
#else
    case kindCountReturn:
#endif
        {
            TARVENO_COUNT_RETURN(chunkEndMicro - budget);
            TARVENO_DISPATCH_BODY();
        }

            TARVENO_CASE(kindMissing) {
                // The lookup makes the record, an all-zero one, as a single step does.
                fetching = true;
                const Microinstruction& mic = m.controlStore_.lookup(op->address);
                fetching = false;
                Operation& o = ops_[op->address];
                decode(o, op->address, &mic);
                TARVENO_DISPATCH_BODY();
            }

            TARVENO_CASE(kindFar) {
                fetching = true;
                const Microinstruction& mic = m.controlStore_.lookup(op->address);
                fetching = false;
                Operation& o = farOps[farToggle ^= 1];
                decode(o, op->address, &mic);
                op = &o;
                TARVENO_DISPATCH_BODY();
            }
#if !TARVENO_COMPUTED_GOTO
        }
        why = StopReason::Bound; // not reached: every kind has its handler
#endif

    leave:
        writeBack(done + (chunk - budget), last, op, prevMem, a, b, c);
        if (counts) counts->micro = microBase + done + (chunk - budget);
        return why;
    } catch (...) {
        const uint64_t completed = done + (chunk - budget);
        if (fetching) {
            // The step had begun (its count too) when its record could not be made.
            writeBack(completed, last, op, prevMem, a, b, c);
            m.microCounter += 1;
        } else {
            // The memory access of op failed: its registers are as it set them, its
            // pending operations started, and the rest of the step as before it.
            leave(op, op->mem, a, b, c);
            m.previousMpc = last->address;
            m.mpc = op->address;
            m.microCounter += static_cast<uint32_t>(completed + 1);
        }
        if (counts) counts->micro = microBase + completed;
        throw;
    }
}

} // namespace tarveno
