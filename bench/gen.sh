#!/usr/bin/env bash
# Generates a data file of mixed numbers: bench/gen.sh ROWS COLS FILE
# Columns mix integers, short decimals, long decimals, negatives and exponents.
set -eu
rows=${1:-1000000}; cols=${2:-10}; out=${3:-bench-data.dat}
awk -v rows="$rows" -v cols="$cols" 'BEGIN {
    srand(42);
    print "# generated benchmark data";
    for (r = 0; r < rows; r++) {
        line = "";
        for (c = 0; c < cols; c++) {
            k = c % 5; x = rand();
            if (k == 0) v = sprintf("%d", r);
            else if (k == 1) v = sprintf("%.3f", x * 100);
            else if (k == 2) v = sprintf("%.9f", x - 0.5);
            else if (k == 3) v = sprintf("%d", int(x * 1000000) - 500000);
            else v = sprintf("%.6e", x * 1e5);
            line = (c ? line " " : "") v;
        }
        print line;
    }
}' > "$out"
