// Every operation on an arbitrary data file, with arbitrary reading and writing settings and
// parameters of the kind the options let through.
//
// Input: eight option bytes, a selection text up to the first NUL byte, then the data file.
//   byte 0: the operation; bytes 1-2: its parameters; byte 3: bit 0 keep comments, bit 1
//   starred lines are comments, bits 2-3 the input delimiter, bit 4 inverted marks, bit 5 the row
//   count in the prolog, bits 6-7 the output style; byte 4: lines to skip (0-3) and characters to
//   skip (0-7); byte 5: extra precision; byte 6: bit 0 the selection is a selection file (else
//   each of its lines is one -e), bit 1 debug traces, bits 2-7 how the data file arrives (a file,
//   a pipe or gzip data); byte 7: the random seed.
// The data file and the selection file are in memory; the output goes to /dev/null.
#include <string>
#include <vector>

#include "harness.h"
#include "operations.h"
#include "readflag.h"
#include "sinc.h"

namespace {

// Options check their parameters before an operation sees them: these are the values they let
// through, chosen by one byte.
size_t taps(uint8_t b) { return 1 + b % 40; }
long signed_small(uint8_t b) { return static_cast<int8_t>(b); }
double level(uint8_t b)
{
    static const double special[] = {0.0, -0.0, 1e300, -1e300, 1e-300, 0.5, -2.5, 3.0};
    return b < 8 ? special[b] : static_cast<double>(static_cast<int8_t>(b)) / 4;
}

void run_operation(const char* in, const char* flagfile, uint8_t op, uint8_t p1, uint8_t p2, const std::string& text)
{
    // The mode each operation runs in, as its option sets it: rows of 17 operations.
    static const MODES modes[2][17] = {{REM_COL, REM_ROW, TRANSPOSE, CHECK, NOISE, QSORT, MUL_COL, DIV_COL, ADD_COL,
                                        FILTER, SHIFT, REM_GT, REM_GT, REM_GT, ENUMERATE, MEDIANFILTER, MATH},
                                       {SHUFFLE, DIFF, SUM_VERTICAL, SUM_HORIZONTAL, CUT_SQUARE, NOOP, MODE_FLIP_UD,
                                        MODE_FLIP_LR, RUNNING_AVERAGE, WINDOW_SINC_LP, WINDOW_SINC_LP, WINDOW_SINC_LP,
                                        WINDOW_SINC_LP, MODE_RANGE_KEEP, MODE_RANGE_REMOVE, DELIMITER, MODE_GET_ROWS}};
    const char* out = "/dev/null";
    size_t vars = 0, rows = 0;
    settings.mode = modes[op % 34 / 17][op % 34 % 17];
    switch (op % 34) {
    case 0: rem_col(in, out, flagfile, &vars, &rows); break;
    case 1: rem_row(in, out, flagfile, &vars, &rows); break;
    case 2: transpose(in, out, &vars, &rows); break;
    case 3: checkfile(in, &vars, &rows); break;
    case 4: add_noise(in, out, flagfile, level(p1), &vars, &rows); break;
    case 5: sortera(in, out, text.c_str(), &vars, &rows); break;
    case 6: multiply_columns(in, out, flagfile, level(p1), MUL_COL, &vars, &rows); break;
    case 7: {
        const double d = level(p1);
        if (!(d > 2.220446049250313e-16 || d < -2.220446049250313e-16)) return;
        multiply_columns(in, out, flagfile, d, DIV_COL, &vars, &rows);
        break;
    }
    case 8: add_columns(in, out, flagfile, level(p1), &vars, &rows); break;
    case 9: filter(in, out, flagfile, taps(p1) / 2 + 1, &vars, &rows); break;
    case 10: {
        const long n = signed_small(p1);
        settings.extra_lines -= static_cast<size_t>(n < 0 ? -n : n);
        shift(in, out, flagfile, n, &vars, &rows);
        break;
    }
    case 11:
    case 12:
    case 13: {
        static const LOGICALS which[] = {GT, LT, EQ, GEQ, LEQ, NEQ};
        Logical(in, out, flagfile, which[p2 % 6], level(p1), &vars, &rows);
        break;
    }
    case 14:
        settings.extra_columns += 1;
        enumerate(in, out, &vars, &rows);
        break;
    case 15: medianfilter(in, out, flagfile, taps(p1), &vars, &rows); break;
    case 16: {
        static const char* const names[] = {"nop",   "fabs", "cos",  "cosh", "sin",   "sinh", "ln",   "log",
                                            "log10", "log2", "acos", "asin", "tan",   "atan", "ceil", "floor",
                                            "inv",   "x2",   "x3",   "sqrt", "sqrt3", "tanh", "exp",  "nosuch"};
        settings.my_special_log = p2 & 1;
        math_columns(in, out, flagfile, names[p1 % (sizeof names / sizeof names[0])], &vars, &rows);
        break;
    }
    case 17: shuffle(in, out, flagfile, &vars, &rows); break;
    case 18: diff(in, out, flagfile, &vars, &rows); break;
    case 19:
        settings.extra_lines += 1;
        sum_vertical(in, out, flagfile, &vars, &rows);
        break;
    case 20:
        settings.extra_columns += 1;
        sum_horizontal(in, out, flagfile, &vars, &rows);
        break;
    case 21:
        for (const char* t : {"1-3", "2:2:-1"}) add_flaglines(settings.cut_lines, p2 & 1 ? t : text.c_str());
        cut_square(in, out, flagfile, &vars, &rows);
        break;
    case 22: noop(in, out, flagfile, &vars, &rows); break;
    case 23: flip_ud(in, out, flagfile, &vars, &rows); break;
    case 24: flip_lr(in, out, flagfile, &vars, &rows); break;
    case 25:
        settings.running_average_mode = static_cast<running_average_modes>(p2 % 4);
        running_mean(in, out, flagfile, 2 + p1 % 20, &vars, &rows);
        break;
    case 26:
    case 27:
    case 28:
    case 29: {
        sinc_parameters s;
        const double fc = 0.01 + (p1 % 48) / 100.0;
        const double fc2 = 0.49 - (p1 / 48) / 100.0;
        s.M = 2 * (1 + p2 % 40);
        static const filter_types types[] = {LOWPASS, HIGHPASS, BANDPASS, BANDSTOP};
        s.filter_type = types[op % 34 - 26];
        s.fcl = s.filter_type == HIGHPASS ? 0 : fc;
        s.fch = s.filter_type == LOWPASS ? 0 : s.filter_type == HIGHPASS ? fc : fc2;
        window_sinc(in, out, flagfile, &s, &vars, &rows);
        break;
    }
    case 30: Range(in, out, flagfile, RANGE_KEEP, level(p1), level(p2), &vars, &rows); break;
    case 31: Range(in, out, flagfile, RANGE_REMOVE, level(p1), level(p2), &vars, &rows); break;
    case 32:
        settings.separator = static_cast<char>(p1);
        rem_col(in, out, flagfile, &vars, &rows);
        break;
    default: checkfile(in, &vars, &rows); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::reset_state();
    fuzz::input_bytes bytes(data, size);
    const uint8_t op = bytes.byte(), p1 = bytes.byte(), p2 = bytes.byte(), reading = bytes.byte(), skips = bytes.byte(),
                  xtra = bytes.byte(), misc = bytes.byte(), seed = bytes.byte();
    static const char delimiters[] = {0, ',', ';', '\t'};
    settings.keep_comments = reading & 1;
    settings.starskip = (reading >> 1) & 1;
    settings.input_delimiter = delimiters[(reading >> 2) & 3];
    settings.inverse = (reading >> 4) & 1;
    settings.add_line_count = (reading >> 5) & 1;
    switch (reading >> 6) {
    case 0: set_output_standard(); break;
    case 1: set_output_c(); break;
    case 2: set_output_csv(); break;
    default: set_output_latex(); break;
    }
    settings.skip_rows = skips & 3;
    settings.skip_columns = (skips >> 2) & 7;
    settings.xtraprec = static_cast<int8_t>(xtra) % 4 - 1;
    settings.debug = (misc >> 1) & 1;
    settings.idum = -1 - seed;

    // the selection, then the data file
    const uint8_t* rest = bytes.rest();
    size_t rest_size = bytes.rest_size();
    size_t text_size = 0;
    while (text_size < rest_size && rest[text_size] != 0) ++text_size;
    const std::string text(reinterpret_cast<const char*>(rest), text_size);
    const size_t skip = text_size < rest_size ? text_size + 1 : text_size;
    rest += skip;
    rest_size -= skip;

    static fuzz::fed_input input;
    static fuzz::memory_file selection;
    const char* const in = input.feed(rest, rest_size, static_cast<uint8_t>(misc >> 2));
    const char* flagfile = nullptr;
    try {
        if (misc & 1) {
            selection.assign(text.data(), text.size());
            flagfile = selection.name();
        } else {
            size_t start = 0;
            for (;;) {
                const size_t nl = text.find('\n', start);
                add_flaglines(settings.flag_lines,
                              text.substr(start, nl == std::string::npos ? nl : nl - start).c_str());
                if (nl == std::string::npos) break;
                start = nl + 1;
            }
        }
        run_operation(in, flagfile, op, p1, p2, text);
    } catch (const fatal_exit&) {
    }
    return 0;
}
