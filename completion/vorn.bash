# bash completion for vorn(1).
# Installed as share/bash-completion/completions/vorn, where the bash-completion package finds
# it; it can also be sourced from ~/.bashrc. It needs nothing from that package and uses its
# file name helper only when it is loaded.

# Long options; a trailing '=' marks an argument. Options whose argument is optional are listed
# both ways.
_vorn_long_options='--quiet --silence --debug --wait-on-error --no-wait-on-error --more --strict
 --keep-comments --starskip --skip-columns= --skip-rows= --input-delimiter= --maxbuff=
 --delimiter= --xtra= --format= --append --add-line-count --fuzz= --special-log
 --output-standard --output-c --output-csv --output-latex
 --standard-output --c-output --latex-output
 --specified= --inverse --wildcard --wildcard=
 --columns --remove-columns --keep-columns --keep-columns= --rows --remove-rows --keep-rows
 --keep-rows= --transpose --flip-ud --flip-lr --cut-square= --enumerate --enumerate=
 --check --get-rows --get-cols --split= --multiply= --divide= --add= --math= --noise=
 --removegt= --removelt= --removeeq= --removegeq= --removeleq= --removeneq=
 --keepgt= --keeplt= --keepeq= --keepgeq= --keepleq= --keepneq= --range-keep= --range-remove=
 --sum-col --sum-vertical --sum-row --sum-horizontal --filter --filter= --medianfilter=
 --running-average= --running-avg= --running-mean= --sinc-lp= --sinc-hp= --sinc-bp= --sinc-bs=
 --diff --shift= --sort= --qsort= --shuffle --nop --noop --plot --plot=
 --stats --stats= --group-by= --correlate --correlate= --histogram=
 --eval= --eval-prolog= --eval-begin= --eval-epilog= --eval-end=
 --eval-examples --eval-operators --eval-functions --eval-constants --help --version'
_vorn_short_options='-# -? -a -b -c -d -e -f -h -i -j -k -m -n -p -q -r -s -t -u -v -w -x -y -z'
# Short options whose argument may be the next word (upper case acts as lower case).
_vorn_short_with_value='-b -e -j -m -n -p -q -u -x -z -B -E -J -M -N -P -Q -U -X -Z'
# The function names of --math.
_vorn_math_functions='nop fabs cos cosh sin sinh ln log log10 log2 acos asin tan atan ceil floor
 inv x2 x3 sqrt sqrt3'

_vorn()
{
    local cur=${COMP_WORDS[COMP_CWORD]-} prev='' opt='' prefix='' word
    COMPREPLY=()
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]-}

    # An option's value. Readline splits --opt=value into "--opt" "=" "value" when '=' breaks
    # words (the default); otherwise the value arrives inside the word.
    if [[ $cur == = && $prev == --* ]]; then
        opt=$prev cur=''
    elif [[ $prev == = ]] && ((COMP_CWORD > 1)) && [[ ${COMP_WORDS[COMP_CWORD - 2]-} == --* ]]; then
        opt=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $cur == --*=* ]]; then
        opt=${cur%%=*} prefix=${cur%%=*}= cur=${cur#*=}
    elif [[ $prev == --* ]]; then
        # A long option whose argument is required takes the next word as its value.
        for word in $_vorn_long_options; do
            if [[ $word == "$prev=" && " $_vorn_long_options " != *[[:space:]]"$prev"[[:space:]]* ]]; then
                opt=$prev
                break
            fi
        done
    elif [[ " $_vorn_short_with_value " == *" $prev "* ]]; then
        return 0 # numbers, selections, separators: nothing to offer
    fi

    if [[ -n $opt ]]; then
        [[ $opt == --math ]] && mapfile -t COMPREPLY < <(compgen -P "$prefix" -W "$_vorn_math_functions" -- "$cur")
        [[ $opt == --correlate ]] && mapfile -t COMPREPLY < <(compgen -P "$prefix" -W "pearson spearman cov" -- "$cur")
        return 0
    fi

    case $cur in
    -*)
        mapfile -t COMPREPLY < <(compgen -W "$_vorn_long_options $_vorn_short_options" -- "$cur")
        [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
        ;;
    @*) # an argument file
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -P @ -f -- "${cur#@}")
        ;;
    *)
        if declare -F _filedir >/dev/null 2>&1; then
            _filedir # the bash-completion package's helper, when it is loaded
        else
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        ;;
    esac
    return 0
}

if type complete >/dev/null 2>&1; then
    complete -F _vorn vorn
fi
