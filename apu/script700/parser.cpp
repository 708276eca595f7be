#include "script700/parser.h"

#include <limits>

namespace apu::script700 {

namespace {

int digit_value(char c, int base) {
    int v = 36;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'z') v = c - 'a' + 10;
    return v < base ? v : -1;
}

// Decimal, or hexadecimal after "0x" or "$"; a leading '-' negates (two's
// complement). The whole word must be the number and fit 32 bits.
bool parse_number(std::string_view s, uint32_t& out) {
    bool negative = false;
    if (!s.empty() && s[0] == '-') {
        negative = true;
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && s[1] == 'x') {
        base = 16;
        s.remove_prefix(2);
    } else if (s.size() > 1 && s[0] == '$') {
        base = 16;
        s.remove_prefix(1);
    }
    if (s.empty()) return false;
    uint64_t v = 0;
    for (const char c : s) {
        const int d = digit_value(c, base);
        if (d < 0) return false;
        v = v * uint64_t(base) + uint64_t(d);
        if (v > std::numeric_limits<uint32_t>::max()) return false;
    }
    out = negative ? uint32_t(0) - uint32_t(v) : uint32_t(v);
    return true;
}

enum class Use { source, destination, numeric, target };

struct CommandShape {
    const char* name;
    Op op;
    uint8_t kind;
    int operands;  // of `first` and `second`
    Use first, second;
};

constexpr CommandShape kCommands[] = {
    {"w", Op::wait, 0, 1, Use::numeric, Use::numeric},
    {"wi", Op::wait_read, 0, 1, Use::numeric, Use::numeric},
    {"wo", Op::wait_write, 0, 1, Use::numeric, Use::numeric},
    {"m", Op::move, 0, 2, Use::source, Use::destination},
    {"c", Op::compare, 0, 2, Use::source, Use::source},
    {"a", Op::add, 0, 2, Use::source, Use::destination},
    {"s", Op::subtract, 0, 2, Use::source, Use::destination},
    {"u", Op::multiply, 0, 2, Use::source, Use::destination},
    {"d", Op::divide, 0, 2, Use::source, Use::destination},
    {"n", Op::compute, 0, 2, Use::source, Use::destination},
    {"bra", Op::branch, uint8_t(Condition::always), 1, Use::target, Use::target},
    {"beq", Op::branch, uint8_t(Condition::eq), 1, Use::target, Use::target},
    {"bne", Op::branch, uint8_t(Condition::ne), 1, Use::target, Use::target},
    {"bge", Op::branch, uint8_t(Condition::ge), 1, Use::target, Use::target},
    {"ble", Op::branch, uint8_t(Condition::le), 1, Use::target, Use::target},
    {"bgt", Op::branch, uint8_t(Condition::gt), 1, Use::target, Use::target},
    {"blt", Op::branch, uint8_t(Condition::lt), 1, Use::target, Use::target},
    {"bcc", Op::branch, uint8_t(Condition::cc), 1, Use::target, Use::target},
    {"blo", Op::branch, uint8_t(Condition::lo), 1, Use::target, Use::target},
    {"bhi", Op::branch, uint8_t(Condition::hi), 1, Use::target, Use::target},
    {"bcs", Op::branch, uint8_t(Condition::cs), 1, Use::target, Use::target},
    {"r", Op::ret, 0, 0, Use::source, Use::source},
    {"r0", Op::stack_off, 0, 0, Use::source, Use::source},
    {"r1", Op::stack_on, 0, 0, Use::source, Use::source},
    {"f", Op::flush, 0, 0, Use::source, Use::source},
    {"f0", Op::ports_cached, 0, 0, Use::source, Use::source},
    {"f1", Op::ports_direct, 0, 0, Use::source, Use::source},
    {"q", Op::quit, 0, 0, Use::source, Use::source},
};

// The operators of `n`, in the order of Compute.
constexpr std::string_view kComputeSigns = "+-*/\\%$&|^<_>!";

class Parser {
public:
    Parser(TokenStream& tokens, Program& program, ParseError& error)
        : tokens_(tokens), program_(program), error_(error) {}

    // Hand-written scripts follow the extended area's `e` with the data at
    // once; generated ones open the data area with a second `::`.
    bool run() {
        if (!script_area()) return false;
        if (at_separator()) {
            if (!extended_area()) return false;
            if (at_separator()) take();
        }
        return data_area();
    }

private:
    // Whether a token follows; it waits in `next_` until taken.
    bool more() {
        if (!waiting_) waiting_ = tokens_.next(next_);
        return waiting_;
    }
    Token take() {
        more();
        waiting_ = false;
        return next_;
    }
    bool at_separator() { return more() && next_.kind == Token::Kind::word && next_.text == "::"; }
    // A word of colons alone, which can only mean an area separator.
    static bool looks_like_separator(std::string_view w) {
        return w.size() >= 2 && w.find_first_not_of(':') == std::string_view::npos;
    }
    static std::string quote(const Token& t) {
        std::string quoted(1, '\'');
        quoted.append(t.text);
        quoted += '\'';
        return quoted;
    }
    bool bad_separator(const Token& t) { return fail(t, "expected the separator '::', not " + quote(t)); }
    bool fail(Position at, std::string reason) {
        error_ = {at, std::move(reason)};
        return false;
    }
    bool fail(const Token& t, const std::string& reason) { return fail(t.at, reason); }
    // The next token into `t`, which must be a word, for what `after` needs.
    bool next_word(const Token& after, const char* what, Token& t) {
        if (!more()) return fail(after, quote(after) + " needs " + what);
        t = take();
        return t.kind == Token::Kind::word || fail(t, "a binary include belongs in the data area");
    }

    // Leaves out the rest of the line `t` stands on.
    void skip_line(const Token& t) {
        while (more() && next_.at.source == t.at.source && next_.at.line == t.at.line) take();
    }

    bool define_label(const Token& t, Label::Kind kind, uint32_t where) {
        uint32_t n = 0;
        if (t.text.size() < 2 || !parse_number(std::string_view(t.text).substr(1), n) || t.text[1] == '-')
            return fail(t, "a label is ':' and a number, not " + quote(t));
        if (n >= Program::kLabels) return fail(t, "label " + std::to_string(n) + " is past 1023");
        Label& label = program_.labels[n];
        if (label.kind != Label::Kind::none) return fail(t, "label " + std::to_string(n) + " is defined twice");
        label = {kind, where};
        return true;
    }

    bool script_area() {
        while (more()) {
            const Token t = take();
            if (t.kind != Token::Kind::word) return fail(t, "a binary include belongs in the data area");
            if (t.text == "e") return true;
            if (looks_like_separator(t.text)) return fail(t, "expected 'e' to end the script area before " + quote(t));
            if (t.text[0] == ':') {
                if (!define_label(t, Label::Kind::script, uint32_t(program_.code.size()))) return false;
                continue;
            }
            if (t.text == "nop") {
                skip_line(t);
                continue;
            }
            if (!command(t)) return false;
        }
        return true;
    }

    bool command(const Token& t) {
        const CommandShape* shape = nullptr;
        for (const CommandShape& c : kCommands)
            if (t.text == c.name) shape = &c;
        if (!shape) return fail(t, "unknown command " + quote(t));
        Instruction in;
        in.op = shape->op;
        in.kind = shape->kind;
        in.at = t.at;
        if (shape->operands >= 1 && !operand(t, shape->first, in.a)) return false;
        if (in.op == Op::compute) {
            Token sign;
            if (!next_word(t, "an operator", sign)) return false;
            const size_t k = sign.text.size() == 1 ? kComputeSigns.find(sign.text[0]) : std::string_view::npos;
            if (k == std::string_view::npos) return fail(sign, "unknown operator " + quote(sign));
            in.kind = uint8_t(k);
        }
        if (shape->operands >= 2 && !operand(t, shape->second, in.b)) return false;
        program_.code.push_back(in);
        return true;
    }

    bool operand(const Token& command, Use use, Operand& out) {
        Token t;
        if (!next_word(command, "an operand", t)) return false;
        std::string_view s = t.text;
        const char c = s[0];
        const bool bare = (c >= '0' && c <= '9') || c == '$' || c == '-' || c == '?';
        if (bare) {
            out.space = use == Use::source ? Space::output_port
                        : use == Use::destination ? Space::input_port
                                                  : Space::literal;
        } else {
            switch (c) {
            case '#': out.space = Space::literal; break;
            case 'i': out.space = Space::input_port; break;
            case 'o': out.space = Space::output_port; break;
            case 'w': out.space = Space::work; break;
            case 'r': out.space = Space::ram; break;
            case 'x': out.space = Space::rom; break;
            case 'd': out.space = Space::data; break;
            case 'l': out.space = Space::label; break;
            default: return fail(t, "unknown operand " + quote(t));
            }
            s.remove_prefix(1);
            if ((out.space == Space::ram || out.space == Space::data) && !s.empty() &&
                (s[0] == 'b' || s[0] == 'w' || s[0] == 'd')) {
                out.width = s[0] == 'b' ? 1 : s[0] == 'w' ? 2 : 4;
                s.remove_prefix(1);
            }
        }
        if (s == "?") {
            out.dynamic = true;
        } else if (!parse_number(s, out.value)) {
            return fail(t, quote(t) + " has no number where one belongs");
        } else if (!check_static(t, out)) {
            return false;
        }
        return check_use(t, use, out);
    }

    bool check_static(const Token& t, Operand& o) {
        const bool negative = t.text.find('-') != std::string_view::npos;
        if (negative && o.space != Space::literal)
            return fail(t, quote(t) + ": only numbers may be negative");
        switch (o.space) {
        case Space::input_port:
        case Space::output_port: o.value &= 3; break;  // ports 4 and up wrap
        case Space::work:
            if (o.value >= 8) return fail(t, "there are work registers w0 to w7 only");
            break;
        case Space::ram:
        case Space::rom:
            if (o.value > 0xFFFF) return fail(t, quote(t) + " is past the 64 KiB address space");
            break;
        case Space::label:
            if (o.value >= Program::kLabels) return fail(t, "label " + std::to_string(o.value) + " is past 1023");
            break;
        default: break;
        }
        return true;
    }

    bool check_use(const Token& t, Use use, const Operand& o) {
        if (use == Use::destination &&
            (o.space == Space::literal || o.space == Space::label || o.space == Space::output_port ||
             o.space == Space::rom))
            return fail(t, quote(t) + " cannot be written");
        if (use == Use::target && o.space != Space::literal && o.space != Space::label && o.space != Space::work)
            return fail(t, "a branch goes to a label given as a number, lN or wN, not " + quote(t));
        return true;
    }

    bool extended_area() {
        take();  // "::"
        while (more()) {
            const Token t = take();
            if (t.kind != Token::Kind::word) return fail(t, "a binary include belongs in the data area");
            if (t.text == "e") return true;
            if (t.text == "::") continue;
            if (looks_like_separator(t.text)) return bad_separator(t);
            if (t.text == "v") {
                skip_line(t);  // undocumented in detail: left out
                continue;
            }
            if (t.text != "m" && t.text != "c" && t.text != "d")
                return fail(t, "unknown extended-area command " + quote(t) + " (expected m, c, d, v or the area's 'e')");
            SampleCommand command;
            command.op = t.text[0];
            command.at = t.at;
            if (!sample_source(t, command.source, true)) return false;
            if (command.op == 'c') {
                int replacement = 0;
                if (!sample_source(t, replacement, false)) return false;
                command.argument = replacement;
            } else if (command.op == 'd') {
                Token shift;
                if (!next_word(t, "a shift", shift)) return false;
                uint32_t v = 0;
                if (!parse_number(shift.text, v)) return fail(shift, quote(shift) + " is not a number");
                command.argument = int32_t(v);
            }
            program_.samples.push_back(command);
        }
        return true;
    }

    bool sample_source(const Token& command, int& out, bool every_allowed) {
        Token t;
        if (!next_word(command, "a source number", t)) return false;
        if (every_allowed && t.text == "!") {
            out = SampleCommand::kEverySource;
            return true;
        }
        uint32_t v = 0;
        if (!parse_number(t.text, v) || v > 255 || t.text[0] == '-')
            return fail(t, "a source number is 0 to 255" + std::string(every_allowed ? " or '!'" : ""));
        out = int(v);
        return true;
    }

    bool data_area() {
        int pending = -1;  // a high nibble waiting for its low one
        Position pending_at;
        const auto whole_bytes = [&](const Token& t) {
            return pending < 0 || fail(pending_at, "an odd number of hex digits before '" + std::string(t.text.substr(0, 8)) + "'");
        };
        while (more()) {
            const Token t = take();
            if (t.kind == Token::Kind::binary) {
                if (!whole_bytes(t)) return false;
                program_.data.insert(program_.data.end(), t.text.begin(), t.text.end());
                continue;
            }
            if (t.text == "::")
                return fail(t, "expected hex digits or a label ':N' in the data area, not '::' (one '::' may open "
                               "it, right after the extended area's 'e')");
            if (looks_like_separator(t.text)) return bad_separator(t);
            if (t.text[0] == ':') {
                if (!whole_bytes(t) || !define_label(t, Label::Kind::data, uint32_t(program_.data.size())))
                    return false;
                continue;
            }
            for (size_t k = 0; k < t.text.size(); ++k) {
                const int d = digit_value(t.text[k], 16);
                Position at = t.at;
                at.column += uint32_t(k);
                if (d < 0) return fail(at, std::string("'") + t.text[k] + "' is not a hex digit");
                if (pending < 0) {
                    pending = d;
                    pending_at = at;
                } else {
                    program_.data.push_back(uint8_t(pending << 4 | d));
                    pending = -1;
                }
            }
        }
        return pending < 0 || fail(pending_at, "an odd number of hex digits at the end of the data area");
    }

    TokenStream& tokens_;
    Program& program_;
    ParseError& error_;
    Token next_;
    bool waiting_ = false;
};

}  // namespace

bool parse(std::string_view text, const IncludeReader* reader, Program& program, ParseError& error) {
    program = Program{};
    TokenStream tokens(text, reader, program.sources);
    const bool parsed = Parser(tokens, program, error).run();
    // A problem with the text itself (an include, a quote) stops the words
    // short: it is the error, whatever the parser made of the end.
    if (tokens.failed()) error = tokens.error();
    // A long data area grew by doubling: keep only what it holds.
    program.data.shrink_to_fit();
    return parsed && !tokens.failed();
}

std::string describe(Position at, const std::string& reason, const Program& program) {
    std::string where;
    if (at.source > 0 && at.source < program.sources.size()) where = program.sources[at.source] + ":";
    return where + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + reason;
}

}  // namespace apu::script700
