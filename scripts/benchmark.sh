#!/usr/bin/env bash
# Measures veltrane.exe under Wine and prints the figures; a benchmark, not a
# test (nothing here passes or fails on a figure).
#   launch:  N interleaved pairs (default 30) of the launcher starting a
#            trivial VM stand-in from an empty config, against a bare starter
#            that only calls CreateProcessA on the same program and waits;
#            both medians with their interquartile range, and the ratio.
#   modes:   both launchers' sizes, and the launch ratio against the bare
#            starter of the classic launcher, the launcher branded for app
#            mode and the console launcher: the classic one with an empty
#            config and its default VM in the current folder, the app-mode
#            and console ones with a config naming the VM beside the exe
#            (app mode never starts a VM from the current folder).
#   memory:  the launcher's peak working set, read by the VM stand-in from
#            its parent, for an empty config, a 21 MB config of 200,000 real
#            lines and a 200 MB config of blank lines; and, sampled by the
#            timer while the launcher runs (no VM can start: both end in the
#            "Arg list too long" report), for a 100 MB "param" line and an
#            81 KB config of 3,000 identical "addjars" lines naming one
#            folder of 1,000 jars.
#   config:  the configuration phase for 5,000 and 20,000 jars: the
#            launcher's run time with an "addjars" folder of that many jars
#            minus its run time with one "param" line as long as their class
#            path, the median over interleaved pairs of the two. The VM is
#            missing in both (5,000 jars exceed any command line already), so
#            both end in the same report, which returns at once since Wine
#            runs without a display: what remains is the listing and the
#            class path.
#   pack:    veltrane-pack on the sample app with a 50 MB runtime folder:
#            the app folder, the zip and the MSI separately, and the whole
#            command (tests/bench/pack-benchmark.sh; needs
#            build/host/veltrane-check and wixl).
# Times are taken inside Wine (QueryPerformanceCounter around CreateProcessA
# and the wait), with a persistent wineserver, so Wine's own start-up of the
# timer is not counted.
#
# Usage: scripts/benchmark.sh [--pairs N] [--runs N] [--launcher EXE] [--console EXE]
#                             [--baseline EXE]
#   --pairs N       pairs for each launch figure (default 30)
#   --runs N        pairs for each configuration phase figure (default 10)
#   --launcher EXE  the launcher to measure (default build/windows/veltrane.exe)
#   --console EXE   the console launcher (default build/windows/veltrane-console.exe)
#   --baseline EXE  measure this one first, the same way, for a before/after
# Build first: cmake --preset windows && cmake --build --preset windows
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: scripts/benchmark.sh [--pairs N] [--runs N] [--launcher EXE] [--console EXE]" \
    "[--baseline EXE]" >&2
  exit 64
}

pairs=30
runs=10
launcher=build/windows/veltrane.exe
console=build/windows/veltrane-console.exe
baseline=""
while (($# > 0)); do
  case "$1" in
    --pairs) pairs="${2:-}" ;;
    --runs) runs="${2:-}" ;;
    --launcher) launcher="${2:-}" ;;
    --console) console="${2:-}" ;;
    --baseline) baseline="${2:-}" ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' && exit 0 ;;
    *) usage ;;
  esac
  (($# >= 2)) || usage
  shift 2
done
[[ "$pairs" =~ ^[1-9][0-9]*$ && "$runs" =~ ^[1-9][0-9]*$ ]] || usage

helpers=build/windows/tests/bench
for file in "$launcher" "$console" ${baseline:+"$baseline"} "$helpers"/{bench_timer,bare_starter,vm_stand_in}.exe; do
  if [[ ! -f "$file" ]]; then
    echo "benchmark: $file not found: cmake --preset windows && cmake --build --preset windows" >&2
    exit 1
  fi
done
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
[[ -x "$wine" ]] || wine=$(command -v wine64) || { echo "benchmark: Wine not found" >&2; exit 1; }
[[ -x "$server" ]] || server=$(command -v wineserver)

work="$PWD/build/bench"
files="$work/files"
mkdir -p "$work/prefix"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
cleanup() {
  "$server" -k 2>/dev/null || true
  rm -rf "$files"
}
trap cleanup EXIT
rm -rf "$files"
mkdir -p "$files"

# The Windows name of a file under the Linux root (drive Z:).
win() { local path="Z:$1"; echo "${path//\//\\}"; }

# Runs the timer inside Wine; its output goes to a file, never to a pipe.
timerExe="$PWD/$helpers/bench_timer.exe"
timer() {
  (cd "$files" && "$wine" "$timerExe" "$@") >>"$files/wine.log" 2>&1 ||
    { echo "benchmark: bench_timer $1 failed; see $files/wine.log" >&2; exit 1; }
}

# Column $1 of file $2, sorted: its median and quartiles as "median q1 q3".
quartiles() {
  awk -v c="$1" '{print $c}' "$2" | sort -n |
    awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)], v[int((NR + 3) / 4)], v[int((3 * NR + 3) / 4)]}'
}
ms() { awk -v us="$1" 'BEGIN {printf "%.1f ms", us / 1000}'; }
mb() { awk -v b="$1" 'BEGIN {printf "%.1f MB", b / 1048576}'; }

prepare() {
  cp "$helpers/vm_stand_in.exe" "$files/javaw.exe"  # the default VM, found in the current folder
  cp "$helpers/bare_starter.exe" "$files/"
  : >"$files/empty.config"
  # Like the end-to-end case of 200,000 lines: comments, VM options, main
  # classes and one line far longer than any read buffer.
  awk 'BEGIN {
    for (i = 0; i < 12; i++) comments = comments "comment "
    for (n = 0; n < 200000; n++) {
      if (n % 1000 == 0) print "vmparam -Dk" n "=v"
      else if (n % 3) printf "# %06d %s\n", n, comments
      else printf "mainclass com.example.M%d%78s\n", n, ""
    }
    for (i = 0; i < 5000; i++) long = long "x"
    print "param " long
  }' >"$files/real.config"
  head -c 200000000 /dev/zero | tr '\0' '\n' >"$files/blank.config"
  { printf 'param '; head -c 100000000 /dev/zero | tr '\0' x; echo; } >"$files/param100m.config"
  mkdir -p "$files/jars1000"
  (cd "$files/jars1000" && for ((i = 1; i <= 1000; i++)); do : >"library-$i.jar"; done)
  for ((i = 0; i < 3000; i++)); do echo "addjars $(win "$files/jars1000")"; done \
    >"$files/addjars3000.config"
  local missing count folder length
  missing=$(win "$files/missing/javaw.exe")
  for count in 5000 20000; do
    folder="$files/jars$count"
    mkdir -p "$folder"
    (cd "$folder" && for ((i = 1; i <= count; i++)); do : >"library-$i.jar"; done)
    printf 'jvm %s\naddjars %s\n' "$missing" "$(win "$folder")" >"$files/jars$count.config"
    # The same report without the listing: a "param" value as long as the
    # class path of "folder\name" entries joined with ";".
    length=$(find "$folder" -name '*.jar' -printf '%f\n' |
      awk -v p=$((${#folder} + 3)) '{n += p + length($0) + 1} END {print n - 1}')
    printf 'jvm %s\nparam %s\n' "$missing" "$(head -c "$length" /dev/zero | tr '\0' x)" \
      >"$files/param$count.config"
  done
}

# Prints the launch, memory and configuration figures of one launcher.
measure() {
  local label="$1" exe="$files/$2"
  echo
  echo "== $label: $3 ($(stat -c %s "$exe") bytes) =="
  printf '"%s" %s\n"%s" "%s"\n' "$(win "$exe")" "$(win "$files/empty.config")" \
    "$(win "$files/bare_starter.exe")" "$(win "$files/javaw.exe")" >"$files/job"
  run_pairs "$pairs" 0
  read -r launch launch1 launch3 < <(quartiles 1 "$files/pairs")
  read -r bare bare1 bare3 < <(quartiles 2 "$files/pairs")
  echo "launch, median of $pairs interleaved pairs (interquartile range):"
  echo "  launcher        $(ms "$launch")  ($(ms "$launch1") to $(ms "$launch3"))"
  echo "  bare starter    $(ms "$bare")  ($(ms "$bare1") to $(ms "$bare3"))"
  awk -v a="$launch" -v b="$bare" 'BEGIN {printf "  ratio           %.3fx\n", a / b}'

  # A peak is a maximum, not a time: one run of each is enough.
  echo "peak memory of the launcher:"
  local config peak status empty=""
  for config in "empty:empty config" "real:21 MB config of 200,000 lines" \
    "blank:200 MB config of blank lines" "param100m:100 MB param line (report)" \
    "addjars3000:3,000 addjars lines x 1,000 jars (report)"; do
    status=0
    [[ "$config" == *"(report)" ]] && status=1
    run_once "$exe" "${config%%:*}" "$status"
    read -r peak _ < <(quartiles 3 "$files/runs")
    empty=${empty:-$peak}
    printf '  %-48s %s  (%+.1f MB)\n' "${config#*:}" "$(mb "$peak")" \
      "$(awk -v d=$((peak - empty)) 'BEGIN {print d / 1048576}')"
  done

  echo "configuration phase, median of $runs interleaved pairs, minus the same report without jars:"
  local count phase
  for count in 5000 20000; do
    printf '"%s" %s\n"%s" %s\n' "$(win "$exe")" "$(win "$files/jars$count.config")" \
      "$(win "$exe")" "$(win "$files/param$count.config")" >"$files/job"
    run_pairs "$runs" 1
    awk '{print $1 - $2}' "$files/pairs" >"$files/phases"
    read -r phase _ < <(quartiles 1 "$files/phases")
    printf '  %-6s jars  %s  (%.1f us per jar)\n' "$count" "$(ms "$phase")" \
      "$(awk -v d="$phase" -v n="$count" 'BEGIN {print d / n}')"
  done
}

# The launch time of the command line $2 against the bare starter, as one
# row labelled $1: both medians and the ratio.
launch_row() {
  printf '%s\n"%s" "%s"\n' "$2" "$(win "$files/bare_starter.exe")" "$(win "$files/javaw.exe")" \
    >"$files/job"
  run_pairs "$pairs" 0
  local launch bare
  read -r launch _ < <(quartiles 1 "$files/pairs")
  read -r bare _ < <(quartiles 2 "$files/pairs")
  printf '  %-8s %s  bare starter %s  ratio %s\n' "$1" "$(ms "$launch")" "$(ms "$bare")" \
    "$(awk -v a="$launch" -v b="$bare" 'BEGIN {printf "%.3fx", a / b}')"
}

# Both launchers' sizes and the launch of each mode. The app-mode launcher is
# the launcher branded so; each reads the config beside it.
measure_modes() {
  echo
  echo "== modes: $(stat -c %s "$files/after.exe") bytes veltrane.exe," \
    "$(stat -c %s "$console") bytes veltrane-console.exe (budget 65536 each) =="
  printf '{"mode": "app"}\n' >"$files/app.json"
  scripts/brand.sh "$files/app.json" "$files/after.exe" "$files/app.exe" >/dev/null
  cp "$console" "$files/console.exe"
  cp "$helpers/vm_stand_in.exe" "$files/java.exe"  # the console launcher's default VM
  # App mode searches a bare VM name along PATH only: the VM beside the exe.
  echo 'jvm %EXEDIR%\javaw.exe' >"$files/app.config"
  echo 'jvm %EXEDIR%\java.exe' >"$files/console.config"
  echo "launch, median of $pairs interleaved pairs against the bare starter:"
  launch_row classic "\"$(win "$files/after.exe")\" $(win "$files/empty.config")"
  launch_row app "\"$(win "$files/app.exe")\""
  launch_row console "\"$(win "$files/console.exe")\""
}

# Times the two command lines of $files/job in $1 interleaved pairs into
# $files/pairs; every run must end with status $2.
run_pairs() {
  timer pairs "$1" "$files/pairs" "$files/job"
  if awk -v s="$2" '$3 != s || $4 != s {bad = 1} END {exit !bad}' "$files/pairs"; then
    echo "benchmark: a run did not end with status $2: $(cut -d' ' -f3,4 "$files/pairs" | xargs)" >&2
    exit 1
  fi
}

# Runs launcher $1 once with config $2 into $files/runs ("microseconds
# exitCode peakBytes"); the run must end with status $3.
run_once() {
  printf '"%s" %s\n' "$(win "$1")" "$(win "$files/$2.config")" >"$files/job"
  timer runs 1 "$files/runs" "$files/job"
  if awk -v s="$3" '$2 != s {bad = 1} END {exit !bad}' "$files/runs"; then
    echo "benchmark: $2.config: the run ended with status $(cut -d' ' -f2 "$files/runs"), not $3" >&2
    exit 1
  fi
}

prepare
"$server" -p
# The first start in a new prefix creates it; a bad call does no more.
(cd "$files" && "$wine" "$timerExe") >>"$files/wine.log" 2>&1 || true
echo "veltrane benchmark: $(date -u '+%Y-%m-%d %H:%M UTC'), $("$wine" --version 2>/dev/null), $(nproc) cores, warm wineserver, no display"
if [[ -n "$baseline" ]]; then
  cp "$baseline" "$files/before.exe"
  measure before before.exe "$baseline"
fi
cp "$launcher" "$files/after.exe"
measure "$([[ -n "$baseline" ]] && echo after || echo launcher)" after.exe "$launcher"
measure_modes
tests/bench/pack-benchmark.sh
