#!/usr/bin/env bash
# Runs the fuzz targets of a VORN_FUZZ build folder, each for a bounded time.
#
#   bash tests/fuzz/run.sh BUILD-FOLDER [SECONDS-PER-TARGET] [TARGET...]
#
# Targets are reader, printer, format, selection, eval and operations (all by default); 30 seconds
# each by default. Each target starts from its seeds in tests/fuzz/corpus/<target>/ and from what earlier
# runs found, kept in BUILD-FOLDER/fuzz-corpus/<target>/. A crash, a sanitizer report, a leak or
# an input that runs longer than 10 seconds stops that target: the input is saved under
# BUILD-FOLDER/fuzz-artifacts/, the command that reproduces it is printed, and the script ends
# with status 1 after the other targets have run.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: run.sh BUILD-FOLDER [SECONDS-PER-TARGET] [TARGET...]}
build=$(cd "$build" && pwd)
seconds=${2:-30}
shift $(($# >= 2 ? 2 : 1))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(reader printer format selection eval operations)

# Allocation failures reach the program's own out-of-memory message, as in the sanitizer build.
export ASAN_OPTIONS=${ASAN_OPTIONS:-allocator_may_return_null=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for t in "${targets[@]}"; do
    bin=$build/tests/fuzz/fuzz_$t
    if [ ! -x "$bin" ]; then
        echo "fuzz: no target $bin" >&2
        failed+=("$t")
        continue
    fi
    corpus=$build/fuzz-corpus/$t
    artifacts=$build/fuzz-artifacts/$t
    mkdir -p "$corpus" "$artifacts"
    log=$build/fuzz-artifacts/$t.log
    echo "fuzz: $t for ${seconds}s"
    # The targets' own standard output and error are closed (-close_fd_mask=3): the program's
    # messages would drown the fuzzer's; its reports still come through.
    if "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=3 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$here/corpus/$t" >"$log" 2>&1; then
        grep -E '^(Done|stat::number_of_executed_units)' "$log" | sed 's/^/  /'
    else
        failed+=("$t")
        echo "fuzz: $t FAILED; the report:" >&2
        grep -vE '^#[0-9]+' "$log" | tail -60 >&2
        for a in "$artifacts"/*; do
            [ -f "$a" ] && echo "fuzz: reproduce with: $bin $a" >&2
        done
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: failed targets: ${failed[*]}" >&2
    exit 1
fi
echo "fuzz: all targets ran clean"
