#!/usr/bin/env bash
# Runs the comparison, block-insertion and applying forms of two builds of hexmarshal on the same
# inputs and checks that every output is byte-for-byte the same. For changes that must not
# change behaviour (restructuring, speed work). Exit statuses and messages are compared too:
#
#   tools/same_outputs.sh OLD_HEXMARSHAL NEW_HEXMARSHAL
#
# Inputs: the example pair and generated 16 MiB pairs (bench/make_pair.cpp).
set -euo pipefail
cd "$(dirname "$0")/.."
old=$(realpath "$1")
new=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

g++ -O2 -std=c++20 -o "$work/make_pair" bench/make_pair.cpp
mkdir -p "$work/in"
cp examples/old.bin examples/new.bin examples/data.bin "$work/in/"
for kind in percent alternate longer; do
  "$work/make_pair" "$kind" "$work/in/$kind.src" "$work/in/$kind.tgt"
done
pairs=("old.bin new.bin")
for kind in percent alternate longer; do pairs+=("$kind.src $kind.tgt"); done

# Runs one form and keeps its exit status and messages under a name.
record() {
  local name=$1 status=0
  shift
  "$@" 2>"$out/$name.err" || status=$?
  echo "$name $status" >>"$out/status"
  sed -i "s|$out|OUT|g" "$out/$name.err"
}

# Runs one build over every input into folder $2, keeping each run's exit status.
run_all() {
  local program=$1
  out=$2
  mkdir -p "$out"
  local n=0
  for pair in "${pairs[@]}"; do
    read -r src tgt <<<"$pair"
    for md in 0 8 128; do
      n=$((n + 1))
      local dif="$out/c$n.dif"
      record c$n "$program" "$work/in/$src" "/md:$md" "/t:$work/in/$tgt" "/d:$dif"
      record a$n "$program" "$work/in/$src" "/a:$dif" "/o:$out/a$n.bin"
      cp "$dif" "$out/i$n.dif"
      record i$n "$program" "$out/i$n.dif" "<1A0000:10:20>" "$work/in/data.bin"
      record j$n "$program" "$out/i$n.dif" "<000100::>" "$work/in/data.bin"
      record b$n "$program" "$work/in/$src" "/a:$out/i$n.dif" "/o:$out/b$n.bin"
    done
  done
  # The refusals: bad parameters and missing files.
  record bad "$program" "$work/in/old.bin" "/t:"
  record missing "$program" "$work/in/none.bin" "/t:$work/in/new.bin" "/d:$out/none.dif"
}

run_all "$old" "$work/old"
run_all "$new" "$work/new"
if diff -r "$work/old" "$work/new" >/dev/null; then
  echo "same outputs: $(ls "$work/new" | wc -l) files and every exit status"
else
  diff -r "$work/old" "$work/new" | head -20
  echo "outputs differ" >&2
  exit 1
fi
