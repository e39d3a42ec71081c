#include "vorn_help.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mypath.h"
#include "utils.h"
#include "vorn_variables.h"
#include "vorn_version.h"

namespace {

constexpr size_t BASE_NAME_SIZE = 256;

void put(const char* text) { std::fputs(text, stdout); }

// The option summary between the two version blocks.
void print_options(const char* base)
{
    std::printf(
        "\n"
        "Usage: %s -options infile outfile [vornfile] [-e \"string\"]\n",
        base);                                                                                    // 1
    put("infile               - original file\n");                                                // 2
    put("outfile              - file with the result\n");                                         // 3
    put("vornfile             - file with variables wich will be affected\n");                    // 4
    put("\n");                                                                                    // 5
    put("-e \"string\"          - string with variables which will be affected.\n");              // 6
    put("                       i.e: \"1,3,5-7,10:5:-1\" will select 1,3,5,6,7,10,15,20,...\n");  // 7
    put("                       every 5:th until end of file/row\n");                             // 8
    put("-k, --remove--columns, --columns\n");                                                    // 9
    put("                     - removes columns given in the -e option\n");                       // 10
    put("    --keep-columns   - keeps columns given in the -e option, same as -k -i\n");          // 11
    put("-r, --remove-rows, rows\n");                                                             // 12
    put("                     - removes rows given in the -e option\n");                          // 13
    put("    --keep-rows      - keeps rows given in the -e option, same as -r -i\n");             // 14
    put("-i, --inverse        - invert the meaning of -k & -r\n");                                // 15
    put("-t, --transpose      - transpose infile. Rows becomes columns & vice verse\n");          // 16
    put("-c, --check          - checks the file, reports columns & rows\n");                      // 17
    put("    --get-rows       - checks the file, reports nr of rows\n");                          // 18
    put("    --get-cols       - checks the file, reports nr of columns\n");                       // 19
    put("-d, --split=#[p][s]  - split the file at row #.\n");                                     // 20
    put("                       if p use percent instead rows\n");                                // 21
    put("                       if s use random split\n");                                        // 22
    put("-z, --delimiter=c    - changes character between numbers\n");                            // 23
    put("                       -z\\t gives tab between numbers\n");                              // 24
    put("                       \"-z \" gives space between numbers\n");                          // 25
    put("                       -zx   gives x between numbers\n"
        "\n");  // 26
    put("\n");  // 27
    put("-n, --noise[=level]  - add noise absolute +-level to columns given\n"
        "                       in the -e option\n");  // 28
    put("-q, --qsort=c1,c2,...- makes a qsort of column c1, if any column is negative\n"
        "                       do a descending sort instead of ascending\n");  // 29
    put("-a, --keep-comments  - keeps comments when possible\n");               // 30
    put("-b, --skip-columns=# - skips # columns in begining of line\n");        // 31
    put("    --skip-rows=#    - skips # rows in begining of file\n");           // 32
    put("-m, --multiply=factor- multiplies selected columns by factor\n");      // 33
    put("    --divide=factor  - divide selected columns by factor\n");          // 34
    put("-p, --add=term       - adds selected columns with term\n");            // 35
    put("-f, --filter=#       - filters columns selected with -e\n"
        "                       # number of filtertaps\n");  // 36
    put("    --sinc-lp=fc,M   - windowed-sinc lowpass filter @ fc with M filter points(even)\n"
        "                       on selected columns\n");  // 37
    put("    --sinc-hp=fc,M   - windowed-sinc highpass filter @ fc with M filter points(even)\n"
        "                       on selected columns\n");  // 38
    put("    --sinc-bp=fcl,fch,M   - windowed-sinc bandpass filter @ fcl-fch with M filter points(even)\n"
        "                       on selected columns\n");  // 39
    put("    --sinc-bs=fcl,fch,M   - windowed-sinc bandstop filter @ fcl-fch with M filter points(even)\n"
        "                       on selected columns\n");  // 40
    put("-u, --medianfilter=# - filters columns selected with -e\n"
        "                       takes median of # cells before and after current value\n");  // 41
    put("--running-avg=#,mode - the running average applied to columns selected with -e\n"
        "                       mode:\n"
        "                        0 Prior moving average (PMA). Prepend data with zeros.\n"
        "                        1 PMA. Reduced samples for the first # lines.\n"
        "                        2 PMA. Remove the first #-1 rows of unselected columns. (default)\n"
        "                        3 Central moving average (CMA). Average of n-floor(#/2) to n+floor(#/2).\n");  // 42
    put("-j, --shift=#        - shifts columns selected with -e up # rows\n");                                  // 43
    std::printf(
        "-w, --wildcard[=ext] - use wildcards in filenames and replace/add .ext\n"
        "                       to filenames (default ext: %s)\n",
        settings.wildext.c_str());                                                      // 44
    put("-x, --xtra=#         - extra precision in output for col # (-1 all cols)\n");  // 45
    put("-y, --enumerate[=c]  - add linenumber column and optional linecount\n");       // 46
    put("--keep[lt|leq|gt|geq|eq|neq]=level\n"
        "--remove[lt|leq|gt|geq|eq|neq]=level\n"
        "                     - Keep/remove rows with columns <, <=, >, >=, = or != to\n"
        "                       level for columns selected with -e. (See also --fuzz)\n");  // 47
    put("--range-keep=lower,upper\n"
        "--range-remove=lower,upper\n"
        "                     - Keep/remove values in the range [lower, upper)\n"
        "                       for columns selected with -e. (See also --fuzz)\n"
        "                       lower is inclusiv and upper is exclusive\n");  // 48
    std::printf(
        "--fuzz=epsilon       - Make the comparisons in --keep/remove a bit fuzzy\n"
        "                       adds +/-epsilon to level (default: %g)\n",
        settings.fuzz);  // 49
    put("--math=func          - apply func to columns selected with -e, where\n"
        "                       func is one of:\n"
        "                           fabs, cos, cosh, sin, sinh, log, ln, log10, log2,\n"
        "                           acos, asin, tan, atan, ceil, floor, sqrt, sqrt3,\n"
        "                           x2, x3, inv, exp, pow2, pow10\n");  // 50
    put("--special-log        - replace logX & ln of negative numbers with log(1e-100).\n"
        "                       (Only applicable to --math).\n");  // 51
    put("--eval=\"expr\"        - evaluate expr where for example:\n"
        "                           \"r[1] = c[1] + c[2]\"\n"
        "                       will result in col 1 being replaced with sum of col 1\n"
        "                       & col 2. Multiple expressions are separated by ';'.\n"
        "                       There are also globals g[#] that keep their value\n"
        "                       between lines.  All other variables are\n");  // 52
    std::printf(
        "                       reset between lines.  New columns can be added by\n"
        "                       assigning to n[#] (# max %d). c[#] are treated\n"
        "                       as constants.\n"
        "                       Normal functions are available. Some constants are\n"
        "                       also available. E.g. _pi.\n",
        EVAL_NEW_VARS);                                                                       // 53
    put("--eval-prolog=\"expr\" - evaluate expr before the first row\n");                     // 54
    put("--eval-epilog=\"expr\" - evaluate expr after the last row & print an extra row\n");  // 55
    put("--eval-examples      - display additional examples for eval.\n");                    // 56
    put("--eval-operators     - display available operators.\n");                             // 57
    put("--eval-functions     - display available functions.\n");                             // 58
    put("--eval-constants     - display available constants.\n");                             // 59
    put("--sum-vertical       - sums each column except selected rows and outputs an\n"
        "                       extra row with the sum.\n");  // 60
    put("--sum-horizontal     - sums each row except selected columns and outputs an\n"
        "                       extra column with the sum.\n");                // 61
    put("--nop                - do nothing except --output-*.\n");             // 62
    put("--output-c           - output is formated like a C/C++ 2D array\n");  // 63
    put("--output-csv         - output is formated like a comma separated values\n"
        "                       (CSV-file)\n");                                           // 64
    put("--output-latex       - output is formated like a LaTeX tabular environment\n");  // 65
    put("--output-standard    - output is normal text data-file\n");                      // 66
    put("--shuffle            - shuffle columns selected with -e \n");                    // 67
    put("--diff               - calculates difference between current & previous row\n"
        "                       for selected columns (current - previous)\n");  // 68
    put("--cut-square=y1-y2   - select a range of rows to apply --cut-square together\n"
        "                       with columns selected with -e\n");        // 69
    put("--no-wait-on-error   - don't wait for keypress to continue\n");  // 70
    std::printf(
        "--maxbuff=#          - make buffers # bytes instead of %u bytes.\n"
        "                       Good when you work with unusual files with\n"
        "                       long (>200k) lines\n",
        static_cast<unsigned>(MIN_MAXBUFF));                                 // 71
    put("--append             - append to outfile instead of replace\n");    // 72
    put("--input-delimiter=c  - allow 'c' as delimiter\n");                  // 73
    put("--flip-ud            - last row becomes first & vice versa\n");     // 74
    put("--flip-lr            - last column becomes first & vice versa\n");  // 75
    put("--quiet              - makes the program less verbose\n");          // 76
    put("-?                   - shows this text\n");                         // 77
    put("-v, --version        - show version of program\n");                 // 78
    put("\n");                                                               // 79
}

// What this vorn adds to the options above, after the text that ends with the version lines.
void print_additions()
{
    put("\nAdded options:\n");
    put("--plot[=style]       - draw the selected columns (all when none is selected)\n"
        "                       against the row number: an SVG picture when outfile\n"
        "                       ends in .svg, else braille characters. style: lines or\n"
        "                       points, xy (x is the first selected column),\n"
        "                       x=lo:hi, y=lo:hi (fixed ranges), joined by commas.\n");
    // The summaries: a table of numbers again, the column names first in a comment line.
    put("--stats[=list]       - statistics of the selected columns (all when none is\n");
    put("                       selected), one row per column. list: count nan sum min\n");
    put("                       max range absmin absmax mean geomean harmmean median q1\n");
    put("                       q3 iqr pN (p5, p99.9) mode antimode pvar svar pstdev\n");
    put("                       sstdev mad sskew pskew skurt pkurt sem (vorn(1) defines\n");
    put("                       them); default count,mean,sstdev,min,q1,median,q3,max\n");
    put("--group-by=k         - the statistics for each value of column k: one row per\n");
    put("                       group and column, groups in the order they first appear\n");
    put("--correlate[=kind]    - matrix of the selected columns: pearson (default),\n");
    put("                       spearman or cov\n");
    put("--histogram=n[,lo,hi]- counts in n equal bins per column, from lo to hi (the\n");
    put("                       column's least and greatest value unless given)\n");
    put("--strict             - never guess: a field that is not a number, a row of another\n"
        "                       width, a header line, a number that -t or --flip-ud would\n"
        "                       split, a selection beyond the file, an unknown --math\n"
        "                       function or NaN in a sort column ends the run with the file,\n"
        "                       line and field; an output file left incomplete is taken back.\n"
        "                       A mistyped option is a one-line error (status 1).\n"
        "                       For scripts: export VORN=strict\n");
}

}  // namespace

std::string help_command(const char* name)
{
    // Inside double quotes the shell gives a meaning only to '"', '$', '`' and '\\'; each of
    // them is escaped, so the name stays one word whatever it holds.
    std::string command = "\"";
    for (const char* p = name; *p; ++p) {
        if (*p == '"' || *p == '$' || *p == '`' || *p == '\\') command += '\\';
        command += *p;
    }
    command += "\" --more -? | more";
    return command;
}

void usage(const char* name)
{
    if (!settings.more) {
        const std::string command = help_command(name);
        std::fflush(stdout);
        std::exit(std::system(command.c_str()));
    }

    char base[BASE_NAME_SIZE] = "";
    if (const int result = explode_path_n(name, nullptr, 0, nullptr, 0, base, sizeof base, nullptr, 0)) {
        errno = result;
        std::perror("usage");
    }
    std::printf("%s\n", Version);
    std::printf("%s\n", Notice);
    print_options(base);
    print_version(stdout);
    print_additions();
    finish_standard_output();
    std::exit(0);
}
