#!/usr/bin/env bash
# Times the unattended comparison and applying forms of hexmarshal against the usual peers
# (xdelta3 for making and applying a delta, cmp -l for listing differences) and against the
# file work neither form can avoid (cat reading both files, cp copying the BIN) on 16 MiB pairs,
# whole processes from start to exit, and prints the medians, peak memory and the ratios.
#
#   bench/peers.sh [--runs N] [--full-dif]
#
# --runs N      rounds per pair (default 7); the tools take turns inside every round
# --full-dif    also applies and extends the largest DIF there can be for 16 MiB of blocks
#               (16,777,215 one-byte records, about 285 MB)
# HM_PEER_PAIRS the pairs to run (default: identical percent runs100 alternate longer)
# HM_PEER_PROGRAM a hexmarshal to time instead of building one (an older build, to compare)
# HM_BENCH_DIR  folder for the generated files (default: a new folder under ${TMPDIR:-/tmp});
#               the outputs are written there, so its file system's write and fsync costs count
set -euo pipefail

runs=7
full_dif=0
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --full-dif) full_dif=1; shift ;;
    *) echo "usage: $0 [--runs N] [--full-dif]" >&2; exit 2 ;;
  esac
done

root=$(cd "$(dirname "$0")/.." && pwd)
missing=()
command -v xdelta3 >/dev/null || missing+=(xdelta3)
[ -x /usr/bin/time ] || missing+=(time)
command -v cmp >/dev/null || missing+=(diffutils)
if [ ${#missing[@]} -gt 0 ]; then
  echo "The peers are missing; install them with: apt-get install ${missing[*]}" >&2
  exit 1
fi
for tool in cmake ninja c++; do
  command -v $tool >/dev/null || { echo "$tool is needed to build hexmarshal" >&2; exit 1; }
done

if [ -n "${HM_PEER_PROGRAM:-}" ]; then
  hm=$(realpath "$HM_PEER_PROGRAM")
else
  source "$root/bench/release_build.sh"
fi
export QT_QPA_PLATFORM=offscreen

if [ -n "${HM_BENCH_DIR:-}" ]; then
  mkdir -p "$HM_BENCH_DIR"
  work=$(mktemp -d "$HM_BENCH_DIR/peers-XXXXXX")
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/hexmarshal-peers-XXXXXX")
fi
trap 'rm -rf "$work"' EXIT
c++ -O2 -std=c++20 -o "$work/make_pair" "$root/bench/make_pair.cpp"
results=$work/results.txt
: >"$results"

# timed PAIR TOOL EXPECTED-STATUS COMMAND... : one run; appends "PAIR TOOL ms KiB" to the results.
# Its output goes through a pipe, or straight to /dev/null when to_null=1 is set for the call.
timed() {
  local pair=$1 tool=$2 expected=$3
  shift 3
  local status start end
  # No tool pays for writing back what the one before it left in the page cache.
  sync
  start=$EPOCHREALTIME
  if [ "${to_null:-0}" = 1 ]; then
    status=0
    /usr/bin/time -f '%M' -o "$work/rss" "$@" >/dev/null 2>"$work/err" || status=$?
  else
    # A pipe, not /dev/null: cmp stops at the first difference when it sees its output discarded.
    set +o pipefail
    /usr/bin/time -f '%M' -o "$work/rss" "$@" 2>"$work/err" | cat >/dev/null
    status=${PIPESTATUS[0]}
    set -o pipefail
  fi
  end=$EPOCHREALTIME
  if [ "$status" -ne "$expected" ]; then
    echo "$tool on $pair: exit status $status, expected $expected" >&2
    cat "$work/err" >&2
    exit 1
  fi
  echo "$pair $tool $(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", (e - s) * 1000 }') \
$(tail -n 1 "$work/rss")" >>"$results"
}

same() {  # same FILE EXPECTED WHAT
  if ! cmp -s "$1" "$2"; then
    echo "$3 differs from the target" >&2
    exit 1
  fi
}

pairs=(${HM_PEER_PAIRS:-identical percent runs100 alternate longer})
declare -A label=([identical]="identical" [percent]="1% changed" [runs100]="100 runs"
                  [alternate]="every other byte" [longer]="target +4096")

for pair in "${pairs[@]}"; do
  echo "Pair: ${label[$pair]} ($runs rounds)" >&2
  dir=$work/$pair
  mkdir -p "$dir"
  src=$dir/src.bin
  tgt=$dir/tgt.bin
  "$work/make_pair" "$pair" "$src" "$tgt"
  cmp_status=1
  [ "$pair" = identical ] && cmp_status=0
  for ((round = 0; round < runs; ++round)); do
    # Taking turns in both directions spreads the machine's drift over every tool alike.
    compare=(hm_compare xdelta3_e cmp_l cat_read)
    apply=(hm_apply xdelta3_d cp_copy)
    if ((round % 2)); then
      compare=(cat_read cmp_l xdelta3_e hm_compare)
      apply=(cp_copy xdelta3_d hm_apply)
    fi
    # Every run writes a new file, as the save dialogs usually ask for: no tool pays for freeing
    # an old output first.
    rm -f "$dir/out.dif" "$dir/out.xd" "$dir/patched.bin" "$dir/patched2.bin" "$dir/copied.bin"
    for tool in "${compare[@]}"; do
      case $tool in
        hm_compare) timed "$pair" "$tool" 0 "$hm" "$src" "/t:$tgt" "/d:$dir/out.dif" ;;
        xdelta3_e) timed "$pair" "$tool" 0 xdelta3 -e -f -s "$src" "$tgt" "$dir/out.xd" ;;
        cmp_l) timed "$pair" "$tool" $cmp_status cmp -l "$src" "$tgt" ;;
        cat_read) to_null=1 timed "$pair" "$tool" 0 cat "$src" "$tgt" ;;
      esac
    done
    for tool in "${apply[@]}"; do
      case $tool in
        hm_apply) timed "$pair" "$tool" 0 "$hm" "$src" "/a:$dir/out.dif" "/o:$dir/patched.bin" ;;
        xdelta3_d) timed "$pair" "$tool" 0 xdelta3 -d -f -s "$src" "$dir/out.xd" "$dir/patched2.bin" ;;
        cp_copy) timed "$pair" "$tool" 0 cp "$src" "$dir/copied.bin" ;;
      esac
    done
    same "$dir/patched.bin" "$tgt" "hexmarshal's patched BIN"
    same "$dir/patched2.bin" "$tgt" "xdelta3's patched BIN"
  done
  echo "$pair sizes $(stat -c %s "$dir/out.dif") $(stat -c %s "$dir/out.xd")" >>"$results"
  rm -f "$dir"/*.bin "$dir"/out.*
done

if [ "$full_dif" -eq 1 ]; then
  echo "The largest DIF (16,777,215 one-byte records)" >&2
  dir=$work/full
  mkdir -p "$dir"
  "$work/make_pair" maxdif "$dir/max.dif"
  "$work/make_pair" identical "$dir/bin.bin" "$dir/unused.bin"
  head -c 4096 "$dir/bin.bin" >"$dir/data.bin"
  for ((round = 0; round < runs; ++round)); do
    timed full hm_apply 0 "$hm" "$dir/bin.bin" "/a:$dir/max.dif" "/o:$dir/patched.bin"
    cp "$dir/max.dif" "$dir/edit.dif"
    timed full hm_insert 0 "$hm" "$dir/edit.dif" '<0:0:10>' "$dir/data.bin"
  done
fi

# Medians and peak memory per pair and tool, then the table.
summary=$work/summary.txt
awk '$2 != "sizes" { key = $1 " " $2; n[key]++; t[key, n[key]] = $3; if ($4 > m[key]) m[key] = $4 }
     END {
       for (key in n) {
         c = n[key]
         for (i = 1; i <= c; i++) v[i] = t[key, i]
         for (i = 2; i <= c; i++) { x = v[i]; for (j = i - 1; j >= 1 && v[j] > x; j--) v[j + 1] = v[j]; v[j + 1] = x }
         med = (c % 2) ? v[(c + 1) / 2] : (v[c / 2] + v[c / 2 + 1]) / 2
         printf "%s %.1f %.1f\n", key, med, m[key] / 1024
       }
     }' "$results" >"$summary"

get() { awk -v p="$1" -v t="$2" -v f="$3" '$1 == p && $2 == t { print $f }' "$summary"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo
echo "Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n 1);" \
  "load average $(cut -d' ' -f1-3 /proc/loadavg); $runs rounds; files in $(df --output=fstype "$work" | tail -n 1)"
printf '%-17s %-8s %12s %9s   %-11s %10s %9s %9s\n' pair job "hexmarshal" "peak" peer "peer" "peak" "hm/peer"
printf '%-17s %-8s %12s %9s   %-11s %10s %9s %9s\n' "" "" "median ms" MiB "" "median ms" MiB ""
row() {  # row PAIR JOB HM-TOOL PEER-TOOL PEER-NAME
  local hm_ms hm_mib peer_ms peer_mib
  hm_ms=$(get "$1" "$3" 3); hm_mib=$(get "$1" "$3" 4)
  peer_ms=$(get "$1" "$4" 3); peer_mib=$(get "$1" "$4" 4)
  printf '%-17s %-8s %12s %9s   %-11s %10s %9s %9s\n' "${label[$1]}" "$2" "$hm_ms" "$hm_mib" "$5" \
    "$peer_ms" "$peer_mib" "$(ratio "$hm_ms" "$peer_ms")"
}
for pair in "${pairs[@]}"; do
  row "$pair" compare hm_compare xdelta3_e "xdelta3 -e"
  row "$pair" compare hm_compare cmp_l "cmp -l"
  row "$pair" compare hm_compare cat_read "cat"
  row "$pair" apply hm_apply xdelta3_d "xdelta3 -d"
  row "$pair" apply hm_apply cp_copy "cp"
done
echo
echo "Output sizes (bytes), DIF / xdelta3:"
awk '$2 == "sizes" { printf "  %-10s %10d / %d\n", $1, $3, $4 }' "$results"
if [ "$full_dif" -eq 1 ]; then
  echo "Largest DIF: applying $(get full hm_apply 3) ms, $(get full hm_apply 4) MiB;" \
    "inserting a block $(get full hm_insert 3) ms, $(get full hm_insert 4) MiB"
fi

[[ " ${pairs[*]} " == *" percent "* ]] || exit 0
compare_ratio=$(ratio "$(get percent hm_compare 3)" "$(get percent xdelta3_e 3)")
apply_ratio=$(ratio "$(get percent hm_apply 3)" "$(get percent xdelta3_d 3)")
read_ratio=$(ratio "$(get percent hm_compare 3)" "$(get percent cat_read 3)")
copy_ratio=$(ratio "$(get percent hm_apply 3)" "$(get percent cp_copy 3)")
verdict() { awk -v r="$1" -v l="$2" 'BEGIN { print (r <= l) ? "met" : "MISSED" }'; }
echo
echo "Targets on the 1% pair: comparison $compare_ratio of xdelta3 -e (at most 0.25):" \
  "$(verdict "$compare_ratio" 0.25); applying $apply_ratio of xdelta3 -d (at most 0.50):" \
  "$(verdict "$apply_ratio" 0.50)"
echo "  comparison $read_ratio of cat (at most 1.3): $(verdict "$read_ratio" 1.3);" \
  "applying $copy_ratio of cp (at most 1.1): $(verdict "$copy_ratio" 1.1)"
echo "  peak memory: comparison $(get percent hm_compare 4) MiB (at most 40):" \
  "$(verdict "$(get percent hm_compare 4)" 40); applying $(get percent hm_apply 4) MiB" \
  "(at most 24): $(verdict "$(get percent hm_apply 4)" 24)"
