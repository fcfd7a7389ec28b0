# Shared by scripts/test and scripts/fuzz: building and running the libFuzzer
# targets of tests/fuzz/ (sourced after deps.sh).

# The tree the fuzz targets are in: build-fuzz, or DM_FUZZ_DIR (CI builds them
# in the sanitizer tests' tree).
dm_fuzz_dir() { echo "${DM_FUZZ_DIR:-$DM_ROOT/build-fuzz}"; }

# dm_fuzz_build: the fuzz targets, with clang, ASan and UBSan, in build-fuzz.
dm_fuzz_build() {
  DM_TARGET=dm_fuzz_all dm_build "$(dm_fuzz_dir)" -DDM_FUZZ=ON -DDM_BENCH=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
}

# dm_fuzz_targets: the names of the built targets.
dm_fuzz_targets() {
  local f
  for f in "$(dm_fuzz_dir)"/fuzz_*; do
    [ -x "$f" ] && basename "$f"
  done
}

# dm_fuzz_one TARGET SECONDS: one target for SECONDS, from its corpus in
# build-fuzz/corpus/TARGET and its seeds in tests/fuzz/seeds/TARGET (unless
# DM_FUZZ_NO_SEEDS=1). The output goes to build-fuzz/logs/TARGET.log, a
# faulty input to build-fuzz/crashes/. On a fault the log's last lines and
# every crash input of the target (in base64) are printed.
dm_fuzz_one() {
  local t=$1 seconds=$2
  local out
  out=$(dm_fuzz_dir)
  local corpus="$out/corpus/$t" log="$out/logs/$t.log" seeds="$DM_ROOT/tests/fuzz/seeds/$t"
  mkdir -p "$corpus" "$out/logs" "$out/crashes"
  local dirs=("$corpus")
  [ "${DM_FUZZ_NO_SEEDS:-0}" != 1 ] && [ -d "$seeds" ] && dirs+=("$seeds")
  if "$out/$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$out/crashes/$t-" "${dirs[@]}" >"$log" 2>&1; then
    echo "$t: $(dm_fuzz_summary "$log")"
    return 0
  fi
  {
    echo "$t found a fault; the last lines of $log:"
    tail -n 40 "$log"
    local c
    for c in "$out/crashes/$t"-*; do
      [ -f "$c" ] || continue
      echo "Input $c ($(stat -c %s "$c") bytes), base64:"
      base64 -w 76 "$c"
    done
  } >&2
  return 1
}

# The coverage and run count a log ends with.
dm_fuzz_summary() {
  grep -E '^#[0-9]+' "$1" | tail -n 1 | grep -oE 'cov: [0-9]+|ft: [0-9]+|exec/s: [0-9]+|corp: [0-9/]+[a-zA-Z]*' |
    tr '\n' ' ' || true
}

# dm_fuzz_run SECONDS JOBS [TARGET...]: each target (all when none are
# named) for SECONDS, JOBS at a time. Fails when any target finds a fault.
dm_fuzz_run() {
  local seconds=$1 jobs=$2; shift 2
  local targets=("$@")
  [ ${#targets[@]} -eq 0 ] && mapfile -t targets < <(dm_fuzz_targets)
  local pids=() names=() failed=0 i
  for t in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    dm_fuzz_one "$t" "$seconds" &
    pids+=($!)
    names+=("$t")
  done
  for i in "${!pids[@]}"; do
    wait "${pids[$i]}" || { failed=1; echo "FAULT: ${names[$i]}" >&2; }
  done
  return $failed
}
