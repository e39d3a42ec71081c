#!/usr/bin/env bash
# Shell completion: the bash script completes options, --math function names and file names
# through its completion function, in a shell without the bash-completion package and, when
# that package is installed, in a shell that has loaded it. The zsh script is valid zsh.
# Run as: bash completion.sh /path/to/vorn BUILD_DIR SOURCE_DIR
SRC=$(cd "$3" && pwd)
source "$(dirname "$0")/../e2e/lib.bash" "$1"
script=$SRC/completion/vorn.bash

# Sourcing it in a strict shell without the package prints nothing and fails nothing.
out=$(bash --norc --noprofile -euo pipefail -c "source '$script'; complete -p vorn" 2>&1)
expect_eq "sourcing without bash-completion registers the function quietly" "complete -F _vorn vorn" "$out"

# The --math names offered are those of the program's function table.
table=$(sed -nE 's/^ *\{"([a-z0-9]+)", .*/\1/p' "$SRC/src/math_columns.cpp" | sort | tr '\n' ' ')
offered=$(bash --norc -c "source '$script'; printf '%s\n' \$_vorn_math_functions" | sort | tr '\n' ' ')
expect_eq "--math names match the program's table" "$table" "$offered"

touch data.dat data.sel notes.txt
# Prints the completions of the last word, one line, sorted; the words before it come first.
cat > complete.bash <<'EOF'
complete_line() {
    COMP_WORDS=(vorn "$@") COMP_CWORD=$# COMP_LINE="vorn $*" COMP_POINT=${#COMP_LINE} COMPREPLY=()
    _vorn vorn "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
    ((${#COMPREPLY[@]})) && printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "
}
EOF
check_completions() { # $1: what to load before the script
    local shell="bash --norc --noprofile -c"
    c() { $shell "$1 source '$script'; source complete.bash; complete_line ${*:2}"; }
    expect_eq "$2: --ma" "--math= --maxbuff= " "$(c "$1" --ma)"
    expect_eq "$2: --output- gives the four styles" \
        "--output-c --output-csv --output-latex --output-standard " "$(c "$1" --output-)"
    expect_eq "$2: --math=s split at the '='" "sin sinh sqrt sqrt3 " "$(c "$1" --math = s)"
    expect_eq "$2: --math=lo in one word" "--math=log --math=log10 --math=log2 " "$(c "$1" --math=lo)"
    expect_eq "$2: --math then a word" "x2 x3 " "$(c "$1" --math x)"
    expect_eq "$2: a selection is not completed" "" "$(c "$1" -k -e '""')"
    expect_eq "$2: --eval's program is not completed" "" "$(c "$1" --eval '""')"
    expect_eq "$2: file names elsewhere" "data.dat data.sel " "$(c "$1" -k -e 2 da)"
    expect_eq "$2: after an optional-argument option" "notes.txt " "$(c "$1" --filter no)"
    expect_eq "$2: argument files" "@data.dat @data.sel " "$(c "$1" @da)"
    expect_contains "$2: short options" " -k " "$(c "$1" -)"
}
check_completions "" "plain bash"
bash_completion=/usr/share/bash-completion/bash_completion
if [ -r "$bash_completion" ]; then
    check_completions "source $bash_completion;" "with bash-completion"
fi

if command -v zsh >/dev/null 2>&1; then
    zsh -n "$SRC/completion/_vorn" && pass || fail "the zsh script parses"
fi
finish
