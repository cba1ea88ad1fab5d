/*
 * native.cpp - a loop as machine code, made with xbyak (header-only, so the
 * same code generator builds into quill and into quill.exe). What is made
 * from a loop's head: every op reachable from it by next and alt, up to a
 * bound, laid out in execution order. The state of the run stays in memory
 * where the ops keep it, except that ev and the registers used most live in
 * machine registers while the code runs; they are written back wherever it
 * leaves, and around every call out.
 *
 * The code leaves for the ops at the op where anything out of the ordinary
 * happens, with nothing of that op done: a division by 0 or -1, an element
 * outside the pool, the clock's failed write, a way not found yet (an EXIT
 * or JEXIT), an op it does not make. The ops then do it as they always do,
 * so every message, trace and status is the ops' own.
 */
#include "quill.h"

#include "compiled.h"
#include "hooks.h"
#include "native.h"
#include "tokens.h"

#include <cstdio>
#include <cstdlib>

/* A compile costs about what a loop's first thousand passes cost on the
   ops (the code for it is dynamically bound on first use): a loop compiles
   at its 1000th pass, 4 rounds of 250 counted in the op. */
uint8_t native_hot = 249;
static uint32_t native_rounds = 4;
static bool native_on = true;

void native_configure(const char *setting)
{
    if (!setting || !*setting)
        return;
    long n = std::strtol(setting, nullptr, 10);
    native_on = n > 0;
    if (n <= 0)
        n = 1;   // the ops alone, each loop laid out at its first pass
    n = n < 1000000 ? n : 1000000;
    native_rounds = static_cast<uint32_t>((n + 249) / 250);
    native_hot = static_cast<uint8_t>((n + native_rounds - 1) / native_rounds - 1);
}

#if defined(__x86_64__) || defined(_M_X64)

#include <deque>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#define XBYAK_NO_OP_NAMES   // and, or, not as operators stay C++'s
#include <xbyak/xbyak.h>

namespace {

using Xbyak::Label;
using Xbyak::Operand;
using Xbyak::Reg32;

// Made code returns the op to go on from, with STALE set where a way was
// not known when it was made: once the ops have found it, a new compile
// takes it in.
constexpr uint64_t STALE = uint64_t(1) << 32;
constexpr int MAX_COMPILES = 8;   // a loop whose ways keep turning up new ones stays as it is

using Entry = uint64_t (*)(void);

// The functions made code calls, where the ones the parser calls need a
// step first: plain C signatures on 32-bit values.
int32_t call_compute(int32_t oper, int32_t a, int32_t b)
{
    return eval_compute(oper + 256, a, b);
}
int32_t call_literal(int32_t offset)
{
    return eval_literal(texts_at(offset));
}
#ifdef QUILL_FUZZ
int32_t call_rewind(void)
{
    jump_count_rewind();
    return 0;
}
#endif

class Maker : public Xbyak::CodeGenerator {
public:
    Maker(uint32_t head, const std::vector<uint32_t> &ops, std::size_t size);

private:
    static constexpr int PINS = 12;   // ev, then the registers used most
    const Reg32 pins[PINS] = {ebx, ebp, esi, edi, r8d, r9d, r10d, r11d, r12d, r13d, r14d, r15d};
    const Reg32 &ev_reg = pins[0];
    int32_t *const R = var - REG_VAR;
    int8_t pin_of[REG_VAR + NVARS];
    std::unordered_set<uint32_t> inside;        // the ops made
    std::unordered_map<uint32_t, Label> labels; // nodes stay put: xbyak keeps their addresses
    std::deque<std::pair<Label, uint32_t>> cold; // each op's way out, placed after the loop
    std::vector<uint32_t> pending;              // other ways, still to be laid out
    std::unordered_set<uint32_t> placed;        // the ops laid out
    Label leave;

    Label &at_op(uint32_t at) { return labels[at]; }
    Label &out_at(uint32_t at)
    {
        cold.emplace_back(Label(), at);
        return cold.back().first;
    }
    void choose_pins(const std::vector<uint32_t> &ops);
    void pins_store(void);
    void pins_load(void);
    Xbyak::Address mem(uint8_t x) { return dword[static_cast<void *>(R + x)]; }
    template <typename F> void with(uint8_t x, F f)
    {
        if (pin_of[x] >= 0)
            f(pins[pin_of[x]]);
        else
            f(mem(x));
    }
    bool pinned(uint8_t x) const { return pin_of[x] >= 0; }
    const Reg32 &pin(uint8_t x) const { return pins[pin_of[x]]; }
    // Where an op computes R[d]: d's own register, unless that is b's,
    // which the op still reads after it has loaded a.
    const Reg32 &target(const Op &op, bool reads_b) const
    {
        return pinned(op.d) && !(reads_b && op.b != op.a && op.d == op.b) ? pin(op.d) : eax;
    }
    void load(const Reg32 &to, uint8_t x);
    void put(uint8_t x, const Reg32 &from);
    void put_k(uint8_t x, int32_t k);
    void value_out(const Op &op, const Reg32 &from)   // R[d], and ev for an E variant
    {
        put(op.d, from);
        if (compiled_stores_ev(op.code))
            mov(ev_reg, from);
    }
    void leave_to(uint64_t way)
    {
        mov(rax, way);
        jmp(leave, T_NEAR);
    }
    void set_cond(int cond, const Reg32 &to = Xbyak::util::eax);
    void compare(uint8_t a, uint8_t b);
    void jump_cond(int cond, const Label &to);
    void divide(const Op &op, uint32_t at, bool mod);
    void element(const Op &op, uint32_t at, uint8_t index, int32_t offset);
    void check_slot(uint32_t at);
    void look_at_output(uint32_t at);
    struct Arg {
        bool reg;
        int32_t v;
    };
    void call_out(const Op &op, const void *fn, std::initializer_list<Arg> args);
    bool lay(uint32_t at, const Op &op);
};

// The registers an op names, by its fields (compiled.h).
template <typename F> void each_register(const Op &op, F f)
{
    const char *fields = OP_INFO[op.code].fields;
    for (const char *p = fields; *p; p++) {
        bool word = (p == fields || p[-1] == ' ') && (p[1] == ' ' || !p[1]);
        if (word && *p == 'd')
            f(op.d);
        else if (word && *p == 'a')
            f(op.a);
        else if (word && *p == 'b')
            f(op.b);
    }
}

void Maker::choose_pins(const std::vector<uint32_t> &ops)
{
    uint32_t uses[REG_VAR + NVARS] = {};
    for (uint32_t at : ops)
        each_register(*op_at(at), [&](uint8_t x) { uses[x]++; });
    for (int8_t &p : pin_of)
        p = -1;
    for (int pin = 1; pin < PINS; pin++) {
        int best = -1;
        for (int x = 0; x < REG_VAR + NVARS; x++)
            if (uses[x] && pin_of[x] < 0 && (best < 0 || uses[x] > uses[best]))
                best = x;
        if (best < 0)
            break;
        pin_of[best] = static_cast<int8_t>(pin);
    }
}

// Both keep rax: the way out, or a call's value.
void Maker::pins_store(void)
{
    mov(rcx, reinterpret_cast<uintptr_t>(&ev));
    mov(dword[rcx], ev_reg);
    for (int x = 0; x < REG_VAR + NVARS; x++)
        if (pin_of[x] >= 0)
            mov(mem(static_cast<uint8_t>(x)), pins[pin_of[x]]);
}

void Maker::pins_load(void)
{
    mov(rcx, reinterpret_cast<uintptr_t>(&ev));
    mov(ev_reg, dword[rcx]);
    for (int x = 0; x < REG_VAR + NVARS; x++)
        if (pin_of[x] >= 0)
            mov(pins[pin_of[x]], mem(static_cast<uint8_t>(x)));
}

void Maker::load(const Reg32 &to, uint8_t x)
{
    if (pin_of[x] < 0)
        mov(to, mem(x));
    else if (pins[pin_of[x]].getIdx() != to.getIdx())
        mov(to, pins[pin_of[x]]);
}

void Maker::put(uint8_t x, const Reg32 &from)
{
    if (pin_of[x] < 0)
        mov(mem(x), from);
    else if (pins[pin_of[x]].getIdx() != from.getIdx())
        mov(pins[pin_of[x]], from);
}

void Maker::put_k(uint8_t x, int32_t k)
{
    with(x, [&](const Operand &o) { mov(o, k); });
}

// to = the flags' cond as 0 or 1 (to: eax or ev's ebx, which have byte forms)
void Maker::set_cond(int cond, const Reg32 &to)
{
    const Xbyak::Reg8 low = to.getIdx() == ebx.getIdx() ? bl : al;
    switch (cond) {
    case LT_RR: setl(low); break;
    case LE_RR: setle(low); break;
    case GT_RR: setg(low); break;
    case GE_RR: setge(low); break;
    case EQ_RR: sete(low); break;
    default:    setne(low); break;
    }
    movzx(to, low);
}

// The flags of R[a] - R[b].
void Maker::compare(uint8_t a, uint8_t b)
{
    if (pinned(a)) {
        with(b, [&](const Operand &o) { cmp(pin(a), o); });
        return;
    }
    load(eax, a);
    with(b, [&](const Operand &o) { cmp(eax, o); });
}

void Maker::jump_cond(int cond, const Label &to)
{
    switch (cond) {
    case LT_RR: jl(to, T_NEAR); break;
    case LE_RR: jle(to, T_NEAR); break;
    case GT_RR: jg(to, T_NEAR); break;
    case GE_RR: jge(to, T_NEAR); break;
    case EQ_RR: je(to, T_NEAR); break;
    default:    jne(to, T_NEAR); break;
    }
}

// R[d] = R[a] / or % a divisor: the ops take 0 and -1 (a report, a wrap).
void Maker::divide(const Op &op, uint32_t at, bool mod)
{
    bool by_k = op.code == DIV_RK || op.code == MOD_RK || op.code == DIV_RK_E || op.code == MOD_RK_E;
    if (!by_k) {
        load(ecx, op.b);
        lea(edx, ptr[rcx + 1]);
        cmp(edx, 1);
        jbe(out_at(at), T_NEAR);   // 0 or -1
        load(eax, op.a);
        cdq();
        idiv(ecx);
        value_out(op, mod ? edx : eax);
        return;
    }
    int32_t k = op.k;
    load(ecx, op.a);
    if (k == 1) {
        if (mod)
            xor_(eax, eax);
        else
            mov(eax, ecx);
        value_out(op, eax);
        return;
    }
    if (k > 1 && (k & (k - 1)) == 0) {   // 2^n: a shift, a negative x first raised by 2^n - 1
        int n = 0;
        while ((int32_t(1) << n) != k)
            n++;
        mov(eax, ecx);
        sar(eax, 31);
        shr(eax, 32 - n);
        add(eax, ecx);
        if (mod) {
            and_(eax, -k);
            sub(ecx, eax);
            mov(eax, ecx);
        } else {
            sar(eax, n);
        }
        value_out(op, eax);
        return;
    }
    // the multiply and shifts of compiled_quotient
    movsxd(rax, ecx);
    imul(rax, rax, op.out.magic);
    sar(rax, 32);
    if (op.oper == 1)
        add(eax, ecx);
    else if (op.oper == 2)
        sub(eax, ecx);
    if (op.b)
        sar(eax, op.b);
    mov(edx, eax);
    shr(edx, 31);
    add(eax, edx);   // the quotient
    if (mod) {
        imul(eax, eax, k);
        sub(ecx, eax);
        mov(eax, ecx);
    }
    value_out(op, eax);
}

// eax = the address of the element R[index] + offset of the array at R[a]:
// the sum and the address wrap as pool_element's do.
void Maker::element(const Op &op, uint32_t at, uint8_t index, int32_t offset)
{
    // 64-bit sums of 32-bit values, of which eax keeps the low half: the wrap
    int32_t disp = static_cast<int32_t>(4u * static_cast<uint32_t>(offset));
    if (pinned(index) && pinned(op.a)) {
        lea(eax, ptr[pin(op.a).cvt64() + pin(index).cvt64() * 4 + disp]);
    } else {
        load(eax, index);
        with(op.a, [&](const Operand &o) { mov(ecx, o); });
        lea(eax, ptr[rcx + rax * 4 + disp]);
    }
    check_slot(at);
}

// On to the ops unless the 4 bytes at eax lie wholly in the pool.
void Maker::check_slot(uint32_t at)
{
    if (poolsize < 4) {
        jmp(out_at(at), T_NEAR);
        return;
    }
    lea(ecx, ptr[rax - static_cast<int32_t>(reinterpret_cast<uintptr_t>(pool))]);
    cmp(ecx, poolsize - 4);
    ja(out_at(at), T_NEAR);
}

// Where an above passes: a write the clock failed sends the run to the ops, which end it.
void Maker::look_at_output(uint32_t at)
{
    mov(rax, reinterpret_cast<uintptr_t>(&output_attention));
    cmp(byte[rax], 0);
    jne(out_at(at), T_NEAR);
}

void Maker::call_out(const Op &op, const void *fn, std::initializer_list<Arg> args)
{
#ifdef _WIN32
    const Reg32 regs[] = {ecx, edx, r8d};
#else
    const Reg32 regs[] = {edi, esi, edx};
#endif
    pins_store();
    int n = 0;
    for (const Arg &arg : args) {
        if (arg.reg)
            mov(regs[n], mem(static_cast<uint8_t>(arg.v)));
        else
            mov(regs[n], arg.v);
        n++;
    }
    if (OP_INFO[op.code].reports) {
        mov(rax, reinterpret_cast<uintptr_t>(&line_no));
        mov(dword[rax], op.line);
    }
    mov(rax, reinterpret_cast<uintptr_t>(fn));
    call(rax);
    pins_load();   // the call may have changed any of them
}

Maker::Maker(uint32_t head, const std::vector<uint32_t> &ops, std::size_t size)
    : Xbyak::CodeGenerator(size, Xbyak::DontSetProtectRWE)
{
    inside.insert(ops.begin(), ops.end());
    choose_pins(ops);
    static const Xbyak::Reg64 saved[] = {rbx, rbp, rsi, rdi, r12, r13, r14, r15};
#ifdef _WIN32
    constexpr int FRAME = 40;   // the callee's 32 bytes of home space, and the alignment
#else
    constexpr int FRAME = 8;
#endif
    for (const auto &r : saved)
        push(r);
    sub(rsp, FRAME);
    pins_load();
    pending.push_back(head);
    while (!pending.empty()) {
        uint32_t at = pending.back();
        pending.pop_back();
        while (placed.insert(at).second) {
            L(at_op(at));
            const Op op = *op_at(at);
            if (!inside.count(at)) {
                leave_to(at | (op.code == EXIT || op.code == JEXIT ? STALE : 0));
                break;
            }
            if (!lay(at, op))
                break;
            at = op.next;
            if (placed.count(at))
                jmp(at_op(at), T_NEAR);
        }
    }
    for (auto &[label, at] : cold) {
        L(label);
        leave_to(at);
    }
    L(leave);
    pins_store();
    add(rsp, FRAME);
    for (int i = 7; i >= 0; i--)
        pop(saved[i]);
    ret();
}

// An op's code at the current place: true when it goes on to op.next
// (laid out next), false when it has led elsewhere.
bool Maker::lay(uint32_t at, const Op &op)
{
    uint8_t c = op.code;
    uint8_t plain = compiled_plain(c);
    switch (plain) {
    case MOV:
        load(eax, op.a);
        value_out(op, eax);
        return true;
    case LOADK:
        if (c == LOADK) {
            put_k(op.d, op.k);
            return true;
        }
        mov(eax, op.k);
        value_out(op, eax);
        return true;
    case ADD_RR: case SUB_RR: case MUL_RR: {
        const Reg32 &t = target(op, true);
        load(t, op.a);
        with(op.b, [&](const Operand &o) {
            if (plain == ADD_RR)
                add(t, o);
            else if (plain == SUB_RR)
                sub(t, o);
            else
                imul(t, o);
        });
        value_out(op, t);
        return true;
    }
    case ADD_RK: case SUB_RK: {
        const Reg32 &t = target(op, false);
        load(t, op.a);
        if (plain == ADD_RK)
            add(t, op.k);
        else
            sub(t, op.k);
        value_out(op, t);
        return true;
    }
    case MUL_RK: {
        const Reg32 &t = target(op, false);
        with(op.a, [&](const Operand &o) { imul(t, o, op.k); });
        value_out(op, t);
        return true;
    }
    case DIV_RK: case MOD_RK:
        if (!op.out.magic && op.k != 1) {   // 0 and -1: every time the ops' way
            jmp(out_at(at), T_NEAR);
            return false;
        }
        [[fallthrough]];
    case DIV_RR: case MOD_RR:
        divide(op, at, plain == MOD_RR || plain == MOD_RK);
        return true;
    case LT_RR: case LE_RR: case GT_RR: case GE_RR: case EQ_RR: case NE_RR:
        compare(op.a, op.b);
        set_cond(plain);
        value_out(op, eax);
        return true;
    case LT_RK: case LE_RK: case GT_RK: case GE_RK: case EQ_RK: case NE_RK:
        with(op.a, [&](const Operand &o) { cmp(o, op.k); });
        set_cond(plain - 1);
        value_out(op, eax);
        return true;
    case BIN_RR: case BIN_RK: case BIN_KR: {
        Arg a{true, op.a}, other = plain == BIN_RR ? Arg{true, op.b} : Arg{false, op.k};
        Arg oper{false, op.oper};
        if (plain == BIN_KR)
            call_out(op, reinterpret_cast<const void *>(call_compute), {oper, other, a});
        else
            call_out(op, reinterpret_cast<const void *>(call_compute), {oper, a, other});
        value_out(op, eax);
        return true;
    }
    case NEG:
        load(eax, op.a);
        neg(eax);
        value_out(op, eax);
        return true;
    case NOT:
        with(op.a, [&](const Operand &o) { cmp(o, 0); });
        set_cond(EQ_RR);
        value_out(op, eax);
        return true;
    case ELEM: case ELEMO:
        element(op, at, op.b, plain == ELEMO ? op.k : 0);
        mov(eax, dword[rax]);
        value_out(op, eax);
        return true;
    case STORE: {
        // its slot is an element's, checked by the SLOT before it
        load(eax, op.b);
        load(ecx, op.a);
        mov(dword[rax], ecx);
        if (c == STORE_E)
            mov(ev_reg, ecx);
        return true;
    }
    case SETEL: case SETEL_K:
        element(op, at, op.b, 0);
        if (plain == SETEL) {
            load(ecx, op.d);
            mov(dword[rax], ecx);
            if (c == SETEL_E)
                mov(ev_reg, ecx);
        } else {
            mov(dword[rax], op.k);
            if (c == SETEL_K_E)
                mov(ev_reg, op.k);
        }
        return true;
    case STR:
        call_out(op, reinterpret_cast<const void *>(call_literal), {{false, op.k}});
        value_out(op, eax);
        return true;
    case STRCOPY_K:
        call_out(op, reinterpret_cast<const void *>(eval_strcopy), {{false, op.k}, {true, op.a}});
        value_out(op, eax);
        return true;
    case STRCOPY_R:
        call_out(op, reinterpret_cast<const void *>(eval_strcopy), {{true, op.b}, {true, op.a}});
        value_out(op, eax);
        return true;
    case CALL: case NEW:
        call_out(op, reinterpret_cast<const void *>(plain == CALL ? eval_func : eval_new), {{true, op.a}});
        value_out(op, eax);
        return true;
    case KEEP8:
        load(eax, op.a);
        movsx(eax, al);
        value_out(op, eax);
        return true;
    case SLOT:
        element(op, at, op.b, 0);
        put(op.d, eax);
        return true;
    case PUT: case PUTS:
        call_out(op, reinterpret_cast<const void *>(c == PUT ? eval_put : eval_puts), {{true, op.a}});
        return true;
    case EV:
        load(ev_reg, op.a);
        return true;
    case EV_K:
        mov(ev_reg, op.k);
        return true;
    case BELOW: case NOTHING:
        return true;
    case ABOVE:
        look_at_output(at);
#ifdef QUILL_FUZZ
        if (op_at(op.next)->code != JEXIT)
            call_out(op, reinterpret_cast<const void *>(call_rewind), {});
#endif
        return true;
    default:
        break;
    }
    if (!compiled_is_branch(c)) {   // what only the ops do
        jmp(out_at(at), T_NEAR);
        return false;
    }
    bool fused = c >= IF_NZ_A;
    uint8_t b = fused ? static_cast<uint8_t>(c - IF_NZ_A + IF_NZ) : c;
    if (b == IF_NZ || b == IF_NZ_E) {
        with(op.a, [&](const Operand &o) { cmp(o, 0); });
        if (b == IF_NZ_E)
            load(ev_reg, op.a);
        jne(at_op(op.out.alt), T_NEAR);
    } else {
        int cond = LT_RR + (b - IF_LT_RR) / 2 * 2;   // IF_xx_RR and _RK pair as xx_RR and _RK do
        if ((b - IF_LT_RR) % 2 == 0)
            compare(op.a, op.b);
        else
            with(op.a, [&](const Operand &o) { cmp(o, op.k); });
        set_cond(cond, ev_reg);   // flags kept: setcc and movzx leave them
        jump_cond(cond, at_op(op.out.alt));
    }
    pending.push_back(op.out.alt);
    if (fused) {
        look_at_output(at);
#ifdef QUILL_FUZZ
        call_out(op, reinterpret_cast<const void *>(call_rewind), {});
#endif
    }
    return true;
}

struct Region {
    std::unique_ptr<Maker> code;
    Entry entry = nullptr;
    int compiles = 0;
};
std::vector<Region> regions;   // by a closing jump's rule, less 1
std::unordered_map<uint32_t, uint32_t> rounds;   // a closing jump's rounds of native_hot passes

bool compile(Op *back)
{
    if (!back->rule) {
        if (regions.size() >= NATIVE_ON - 1)
            return false;
        regions.emplace_back();
        back->rule = static_cast<uint8_t>(regions.size());
    }
    Region &r = regions[back->rule - 1];
    r.entry = nullptr;
    r.code.reset();
    r.compiles++;
    std::vector<uint32_t> ops = compiled_reach(back->next);
    if (ops.empty())
        return false;
    try {
        // whole pages: where the allocator is the heap, the pages made
        // read-only hold nothing else
        std::size_t size = (8192 + ops.size() * 512 + 4095) & ~std::size_t(4095);
        r.code = std::make_unique<Maker>(back->next, ops, size);
        r.code->readyRE();            // every label placed
        r.code->setProtectModeRE();   // written, now only run: never both
    } catch (const std::exception &) {   // too big, or no memory: the ops run it
        r.code.reset();
        return false;
    }
    r.entry = r.code->getCode<Entry>();
    if (record_list) {
        output_flush();   // the listing shows where the script's output stands
        std::fprintf(stderr, "native: the loop at line %d, %zu ops in %zu bytes\n", op_at(back->next)->line,
                     ops.size(), r.code->getSize());
    }
    return true;
}

// Made code is no function the compiler knows: its type check has nothing to read.
#if defined(__clang__)
__attribute__((no_sanitize("function")))
#endif
uint64_t enter(Entry entry)
{
    return entry();
}

}  // namespace

uint32_t native_loop(Op *back)
{
    if (back->d != NATIVE_ON) {
        uint8_t head = op_at(back->next)->code;
        if (head == EXIT || head == JEXIT)
            return back->next;   // the loop's way back is not known yet: asked again next pass
        uint32_t &round = rounds[offset_of(back)];
        if (++round < native_rounds) {
            back->d = 0;
            return back->next;
        }
        round = native_rounds;   // counted no further: a compile again comes at once
        back->d = NATIVE_OFF;
        if (run_hooks)
            return back->next;
        if (!native_on || !compile(back))
            return compiled_layout(offset_of(back));
        back->d = NATIVE_ON;
    }
    Region &r = regions[back->rule - 1];
    uint64_t way = enter(r.entry);
    if ((way & STALE) && r.compiles < MAX_COMPILES)
        back->d = native_hot;   // compiled again at the next pass, with the way the ops find now
    return static_cast<uint32_t>(way);
}

void native_reset(void)
{
    regions.clear();
    rounds.clear();
    compiled_layout_reset();
}

#else   // no code generator for this processor: the ops run everything

uint32_t native_loop(Op *back)
{
    back->d = NATIVE_OFF;
    if (run_hooks)
        return back->next;
    return compiled_layout(offset_of(back));
}

void native_reset(void)
{
    compiled_layout_reset();
}

#endif
