// Column totals appended as one more row, or row totals appended as one more column.
#include <cmath>
#include <vector>

#include "frame.h"
#include "operations.h"
#include "readflag.h"

namespace {

// The running sum plus v. Once the sum is not a number it stays that very value, so the sign
// printed for a sum of NaNs of both signs does not depend on how the compiler orders the operands.
inline double add_to_sum(double sum, double v) { return std::isnan(sum) ? sum : sum + v; }

}  // namespace

void sum_vertical(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    announce("Vorn: Vertical sum ", "Vertical sum except selected rows\n");
    frame f(namein, nameout, {.flagfile = flagfile, .marks = false, .count_rows = true});
    const size_t antal = f.columns();
    const size_t lines = f.counted_rows();
    // The selection names rows here; the inverse option does not apply.
    auto rowflags = my_calloc(char, lines);
    readflags(flagfile, rowflags.get(), 0, settings.flag_lines, lines, {"row", namein});

    size_t count = 0;
    if (antal > 0) {
        auto row = my_malloc(double, antal);
        auto sums = my_calloc(double, antal);
        auto text = my_malloc(field_text, antal);
        while (f.read(row.get(), comments_at::in_place, text.get())) {
            // Rows beyond the counted ones have no mark, so they are summed.
            if (count >= lines || !rowflags[count])
                for (size_t c = 0; c < antal; ++c) sums[c] = add_to_sum(sums[c], row[c]);
            f.write(row.get(), antal, nullptr, text.get());
            ++count;
        }
        f.write(sums.get(), antal);
    }
    f.finish(vars, rows, count);
}

void sum_horizontal(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    announce("Vorn: Horizontal sum ", "Horizontal sum except selected columns\n");
    frame f(namein, nameout, {.flagfile = flagfile});
    const size_t antal = f.columns();
    size_t count = 0;
    if (antal > 0) {
        // The last element receives the row's sum.
        auto row = my_malloc(double, antal + 1);
        std::vector<field_text> text(antal + 1);  // the sum has no text
        while (f.read(row.get(), comments_at::in_place, text.data())) {
            double sum = 0;
            for (size_t c = 0; c < antal; ++c)
                if (!f.marks()[c]) sum = add_to_sum(sum, row[c]);
            row[antal] = sum;
            f.write(row.get(), antal + 1, nullptr, text.data());
            ++count;
        }
    }
    f.finish(vars, rows, count);
}
