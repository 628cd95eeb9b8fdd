# Sourced by the benchmark scripts that time whole runs in turns, after $runs is set to its
# default: takes "--runs N" from the script's arguments, and gives the medians of the lines
# "KIND milliseconds ..." in $work/results, their ratios and whether a ratio keeps its bound.
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    *) echo "usage: $0 [--runs N]" >&2; exit 2 ;;
  esac
done

# median KIND
median() {
  awk -v k="$1" '$1 == k { print $2 }' "$work/results" | sort -n |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# ratio KIND OTHER: KIND's median over OTHER's
ratio() {
  awk -v a="$(median "$1")" -v b="$(median "$2")" 'BEGIN { printf "%.2f", a / b }'
}
# verdict RATIO BOUND
verdict() {
  awk -v r="$1" -v bound="$2" 'BEGIN { print (r <= bound) ? "met" : "MISSED" }'
}
