// Divides the data rows of a file between a training file (.trn) and a test file (.tst).
#include <cmath>
#include <cstring>
#include <string>

#include "frame.h"
#include "mypath.h"
#include "operations.h"
#include "ran3.h"
#include "readflag.h"
#include "utils.h"

void splitfile(const char* namein, const char* /*nameout*/, const char* flagfile, double w, size_t* vars, size_t* rows)
{
    if (settings.quiet) std::fprintf(stderr, "Vorn: Split ");

    // The check always reports. Its pass over the file is the one that consumes the skip-rows
    // countdown: the split's own pass below starts again at the first line and skips nothing.
    count_file(namein, vars, rows, {});
    const size_t nvars = *vars;
    const size_t nrows = *rows;

    size_t n = 0;
    if (settings.percent) {
        n = static_cast<size_t>(std::trunc(static_cast<double>(nrows) * w / 100.0));
    } else {
        const double t = std::trunc(w);
        if (!(t >= 0 && t < static_cast<double>(nrows)))
            error("At least 1 and max %lu", static_cast<unsigned long>(nrows));
        n = static_cast<size_t>(t);
    }
    if (n > nrows) n = nrows;
    const unsigned long train = n;
    const unsigned long test = nrows - n;

    if (!settings.quiet) {
        std::fprintf(stderr, "Variables:%lu\nRows:%lu\n", static_cast<unsigned long>(nvars),
                     static_cast<unsigned long>(nrows));
        if (settings.slump) {
            std::fprintf(stderr, "%s%lu%s", "Splits the file with ", train, " rows in the trainingfile\n");
            std::fprintf(stderr, "%s%lu%s", "and ", test, " rows in the testfile.\n");
        } else {
            std::fprintf(stderr, "%s%lu%s", "Splits file after row ", train, ".\n");
        }
    } else {
        if (settings.slump) {
            std::fprintf(stderr, "%s%lu%s", "", train, " train & ");
            std::fprintf(stderr, "%s%lu%s", "", test, " test");
        } else {
            std::fprintf(stderr, "%s%lu%s", "at row ", train, "");
        }
    }

    // 1 marks a training row, 0 a test row.
    auto marks = my_calloc(char, nrows);
    if (!settings.slump) {
        for (size_t i = 0; i < n; ++i) marks[i] = 1;
    } else if (n > 0) {
        size_t hit = 0;
        while (hit < n) {
            const double r = ran3(&settings.idum);
            const size_t index = static_cast<size_t>(std::trunc(static_cast<double>(nrows) * r));
            // A draw of exactly 1.0 would name the row after the last one: draw again.
            if (index >= nrows || marks[index]) continue;
            marks[index] = 1;
            ++hit;
        }
    }

    const std::string trnname = wildcard_output_name(namein, ".trn");
    const std::string tstname = wildcard_output_name(namein, ".tst");
    if (!settings.quiet) {
        std::fprintf(stderr, "Infile\t\t: %s\trows %lu\n", namein, static_cast<unsigned long>(nrows));
        std::fprintf(stderr, "Training file\t: %s\trows %lu\n", trnname.c_str(), train);
        std::fprintf(stderr, "Test file\t: %s\trows %lu\n", tstname.c_str(), test);
    }

    open__files training(namein, trnname.c_str());
    open__files testing(nullptr, tstname.c_str());  // writes only
    openin(training);
    // Neither file may be the input: both are checked before either is opened.
    testing.namein = namein;
    testing.in_identity = training.in_identity;
    refuse_output_onto_input(training);
    refuse_output_onto_input(testing);
    const flag_array flag = open_flags(flagfile, nvars, namein);
    if (!settings.quiet) std::fputc('\n', stderr);
    // Neither file is a result until both are complete.
    training.take_back = testing.take_back = true;
    openout(training, nvars, n);
    openout(testing, nvars, nrows - n);
    std::fflush(stderr);
    flush_output(stdout);

    if (training.in && training.out && testing.out) {
        // Comment lines among the data go to the comment queue, not to either file.
        auto row = my_malloc(double, nvars);
        for (size_t i = 0; i < nrows && readline(training, row.get(), nullptr, nvars); ++i)
            writeline(marks[i] ? training.out : testing.out, row.get(), nvars, flag);
    }
    marks.reset();
    // Both are written out before either is put in place.
    if (training.out) flush_output(training.out);
    if (testing.out) flush_output(testing.out);
    closefiles(training);
    closefiles(testing);
}
