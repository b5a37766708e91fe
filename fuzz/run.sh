#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for a bounded time, both at once on two cores. Exits non-zero if a target
# finds a failing input; the input is kept in build/fuzz/artifacts/.
#
#   fuzz/run.sh [SECONDS_PER_TARGET] [TARGET...]     default: 60 s, every target
#
# Each target starts from its seed corpus (fuzz/corpus/<target>) and keeps what it finds in
# build/fuzz/corpus/<target>, so a later run goes on from there.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(read_config events)

# libFuzzer and the sanitizer runtimes come with clang's compiler-rt package.
resource_dir=$(clang++ -print-resource-dir 2>/dev/null || true)
if [ -z "$resource_dir" ] || [ ! -e "$resource_dir/lib/linux/libclang_rt.fuzzer-x86_64.a" ]; then
    echo "installing clang and its runtime libraries (libFuzzer)"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq clang libclang-rt-14-dev >/dev/null
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

out=build/fuzz
mkdir -p "$out/artifacts"
declare -A pids
for t in "${targets[@]}"; do
    mkdir -p "$out/corpus/$t"
    # libFuzzer's own memory limits (2 GiB of RSS, and the same for one malloc) apply.
    "$out/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
        -artifact_prefix="$out/artifacts/$t-" "$out/corpus/$t" "fuzz/corpus/$t" \
        >"$out/$t.log" 2>&1 &
    pids[$t]=$!
done

status=0
for t in "${targets[@]}"; do
    if wait "${pids[$t]}"; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$t.log")
        corpus=$(find "$out/corpus/$t" -type f | wc -l)
        echo "fuzz_$t: ${runs:-?} executions in ${seconds} s, no failure (corpus: $corpus inputs)"
    else
        status=1
        echo "fuzz_$t FAILED; the last lines of $out/$t.log:"
        tail -n 60 "$out/$t.log"
    fi
done
exit $status
