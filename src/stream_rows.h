// The frame shared by the operations that change and write one row at a time.
#pragma once
#include "utils.h"

enum class marked_columns { written, left_out };

// Opens the pair with the selection, hands every data row to change(row, flag, antal), writes
// the row (leaving out the marked columns when asked) and counts it; comment lines reach the
// output in place. Releases the marks, closes the pair and stores the column and row counts.
template <class Change>
void stream_rows(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows,
                 marked_columns marked, Change change)
{
    open__files of(namein, nameout);
    flag_array flag;
    const size_t antal = openfiles(of, flagfile, &flag);
    size_t count = 0;
    if (antal > 0) {
        auto row = my_malloc(double, antal);
        const char* leave_out = marked == marked_columns::left_out ? flag.data() : nullptr;
        while (readline(of.in, row.get(), of.out, antal)) {
            change(row.get(), flag, antal);
            writeline(of.out, row.get(), antal, leave_out);
            ++count;
        }
    }
    flag_array().swap(flag);
    closefiles(of);
    *vars = antal;
    *rows = count;
}
