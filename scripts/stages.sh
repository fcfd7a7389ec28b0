# Shared by scripts/test: the wall time of each stage of a run, and the
# processor time its commands took (sourced).
#   dm_stage NAME   ends the stage before (if any) and starts NAME
#   dm_stage_done   ends the last stage
# The table of stages and the total is printed when the script exits, after a
# failure too (the failing stage is marked). The processor time does not
# depend on what else runs on the machine; the wall time does.
dm_stage_names=()
dm_stage_seconds=()
dm_stage_cpus=()
dm_stage_current=""
dm_stage_from=0
dm_stage_cpu_from=0
dm_stage_total_from=$(date +%s)

# Seconds of processor time of this shell's finished children (Linux).
dm_stage_cpu() {
  local f
  if [ -r /proc/$$/stat ] && f=($(sed 's/^.*) //' /proc/$$/stat)); then
    echo $(( (f[13] + f[14]) / $(getconf CLK_TCK) ))
  else
    echo 0
  fi
}

dm_stage_close() {
  [ -z "$dm_stage_current" ] && return 0
  dm_stage_names+=("$dm_stage_current")
  dm_stage_seconds+=($(( $(date +%s) - dm_stage_from )))
  dm_stage_cpus+=($(( $(dm_stage_cpu) - dm_stage_cpu_from )))
  dm_stage_current=""
}

dm_stage() {
  dm_stage_close
  dm_stage_current=$1
  dm_stage_from=$(date +%s)
  dm_stage_cpu_from=$(dm_stage_cpu)
  echo "== stage: $1"
}

dm_stage_done() { dm_stage_close; }

dm_stage_minutes() { printf '%d:%02d' $(( $1 / 60 )) $(( $1 % 60 )); }

dm_stage_table() {
  local rc=$? failed="" i
  [ -n "$dm_stage_current" ] && [ "$rc" != 0 ] && failed=$dm_stage_current
  dm_stage_close
  echo "Stages (m:s): wall time, processor time"
  for i in "${!dm_stage_names[@]}"; do
    printf '  %-26s %7s %8s%s\n' "${dm_stage_names[$i]}" "$(dm_stage_minutes "${dm_stage_seconds[$i]}")" \
      "$(dm_stage_minutes "${dm_stage_cpus[$i]}")" "$([ "${dm_stage_names[$i]}" = "$failed" ] && echo '  FAILED')"
  done
  printf '  %-26s %7s %8s\n' "total" "$(dm_stage_minutes $(( $(date +%s) - dm_stage_total_from )))" \
    "$(dm_stage_minutes "$(dm_stage_cpu)")"
  return "$rc"
}
trap dm_stage_table EXIT
