# Sourced by the end-to-end scripts: named checks, counted, and the tally that ends a script.
passed=0
failed=0
check() {  # check NAME CONDITION...
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $name" >&2; fi
}
status_is() { [ "$1" -eq "$2" ]; }
has() { grep -qF -- "$2" "$1"; }
says() { [ "$(cat "$1")" = "$2" ]; }
# The script's last command: prints the counts, and its status is the script's.
tally() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
