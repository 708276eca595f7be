#pragma once
// A Script700 script as the parser leaves it and the interpreter runs it:
// the script area as instructions, the labels, the data area's bytes and
// the extended area's commands.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace apu::script700 {

// Where a piece of text came from: the script itself (source 0) or one of
// the files it includes (names in Program::sources).
struct Position {
    uint16_t source = 0;
    uint32_t line = 1, column = 1;
};

// What an operand names.
enum class Space : uint8_t {
    literal,      // #n
    input_port,   // in: what the SPC700 reads at 0xF4 + n
    output_port,  // on: what the SPC700 wrote at 0xF4 + n
    work,         // wn: eight 32-bit work registers
    ram,          // r, rb, rw, rd: SPC700 RAM
    rom,          // xn: the IPL ROM
    data,         // d, db, dw, dd: the data area
    label,        // ln: a data-area label's offset
};

struct Operand {
    Space space = Space::literal;
    uint8_t width = 1;     // bytes read or written in RAM and the data area
    bool dynamic = false;  // '?': the compare register of the operand's place
    uint32_t value = 0;    // number, port, register, address, offset or label
};

enum class Op : uint8_t {
    wait,          // w n
    wait_read,     // wi port: until the SPC700 reads the input port
    wait_write,    // wo port: until the SPC700 writes the output port
    move,          // m src dst
    compare,       // c a b
    add,           // a val dst
    subtract,      // s val dst
    multiply,      // u val dst
    divide,        // d val dst (signed)
    compute,       // n val op dst
    branch,        // bxx target
    ret,           // r
    stack_off,     // r0
    stack_on,      // r1
    flush,         // f
    ports_cached,  // f0
    ports_direct,  // f1
    quit,          // q
};

enum class Condition : uint8_t { always, eq, ne, ge, le, gt, lt, cc, lo, hi, cs };

enum class Compute : uint8_t { add, sub, mul, sdiv, udiv, rem, mod, bit_and, bit_or, bit_xor, shl, sar, shr, bit_not };

struct Instruction {
    Op op = Op::quit;
    uint8_t kind = 0;  // the Condition of a branch, the Compute of n
    Operand a, b;
    Position at;
};

// Extended-area commands on the song's samples: mute (m), swap (c) and
// pitch shift (d), by source number or for every source.
struct SampleCommand {
    static constexpr int kEverySource = -1;
    char op = 'm';
    int source = kEverySource;
    int32_t argument = 0;
    Position at;
};

struct Label {
    enum class Kind : uint8_t { none, script, data };
    Kind kind = Kind::none;
    uint32_t where = 0;  // instruction index or data offset
};

struct Program {
    static constexpr uint32_t kLabels = 1024;
    std::vector<Instruction> code;
    std::array<Label, kLabels> labels{};
    std::vector<uint8_t> data;
    std::vector<SampleCommand> samples;
    std::vector<std::string> sources{""};  // source 0 is the script itself
};

}  // namespace apu::script700
