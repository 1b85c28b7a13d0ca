#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz (clang) and runs each for a set time.
#
#   scripts/fuzz.sh [--no-build] [seconds] [target...]
#
# seconds defaults to 600 per target; targets default to all of them. Each run starts
# from the seed corpus in fuzz/corpus/<target>, keeps what it finds in
# build-fuzz/corpus/<target> and writes crashes, leaks and hangs to
# build-fuzz/artifacts/<target>/. A summary line per target closes the run.
set -euo pipefail
cd "$(dirname "$0")/.."

ALL_TARGETS=(parse_url extract_field encoders response_header profile terminal_input)
BUILD=1
if [[ "${1:-}" == "--no-build" ]]; then
  BUILD=0
  shift
fi
SECONDS_EACH=${1:-600}
shift || true
TARGETS=("$@")
[[ ${#TARGETS[@]} -gt 0 ]] || TARGETS=("${ALL_TARGETS[@]}")
OUT=build-fuzz

# Inputs larger than what a target reads in one go teach it nothing.
max_len() {
  case "$1" in
    parse_url) echo 512 ;;
    extract_field) echo 512 ;;  # the harness joins every field: quadratic in the length
    encoders) echo 8192 ;;
    response_header) echo 81920 ;;  # lines past the 64 KiB read bound included
    profile) echo 8192 ;;
    terminal_input) echo 1024 ;;
    *) echo 4096 ;;
  esac
}

have_libfuzzer() {
  command -v clang++ >/dev/null || return 1
  local dir
  dir=$(mktemp -d)
  echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
    >"$dir/t.cpp"
  clang++ -fsanitize=fuzzer "$dir/t.cpp" -o "$dir/t" 2>/dev/null
  local ok=$?
  rm -rf "$dir"
  return $ok
}

if ! have_libfuzzer; then
  install="apt-get install -y clang libclang-rt-dev"
  if [[ $(id -u) -ne 0 ]]; then
    echo "clang with libFuzzer is missing; as root run: $install" >&2
    exit 1
  fi
  apt-get update -q
  # Debian 12 names the runtime after the clang version.
  $install || apt-get install -y clang "libclang-rt-$(clang --version | sed -n 's/.*version \([0-9]*\).*/\1/p')-dev"
fi

if [[ $BUILD -eq 1 ]]; then
  # The preset gives the libraries coverage and sanitizers too, so that the fuzzer sees
  # into them.
  cmake --preset fuzz >/dev/null
  cmake --build "$OUT" -j2 --target "${TARGETS[@]/#/fuzz_}"
fi

SUMMARY=()
for t in "${TARGETS[@]}"; do
  corpus="$OUT/corpus/$t"
  artifacts="$OUT/artifacts/$t"
  log="$OUT/fuzz-$t.log"
  mkdir -p "$corpus" "$artifacts"
  cp -n fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
  echo "== $t: ${SECONDS_EACH}s, -max_len=$(max_len "$t")"
  set +e
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 nice -n 10 "$OUT/fuzz/fuzz_$t" \
    -max_total_time="$SECONDS_EACH" -max_len="$(max_len "$t")" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1
  rc=$?
  set -e
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  files=$(find "$corpus" -type f | wc -l)
  found=$(find "$artifacts" -type f | wc -l)
  line="$t: executions=${execs:-?} exec/s=${rate:-?} corpus=$files artifacts=$found exit=$rc"
  [[ $rc -eq 0 ]] || line+=" (see $log)"
  echo "$line"
  SUMMARY+=("$line")
done

echo "== summary"
printf '%s\n' "${SUMMARY[@]}"
