#!/bin/sh
# Runs a benchmark's short mode against an empty run directory and passes
# when it ends as a benchmark that cannot measure should: exit code 1 (no
# crash, no success), its reason on standard error, and the box it met.
#
#   fails_without_libraries.sh PROGRAM EXPECTED_TEXT
set -u
program=$1
expected=$2
empty=$(mktemp -d)
output=$(TARVEX_BENCH_RUN_DIR=$empty QT_QPA_PLATFORM=offscreen "$program" --quick 2>&1 >/dev/null)
code=$?
rm -rf "$empty"
printf '%s\n' "$output"
if [ "$code" -ne 1 ]; then
  echo "expected exit code 1, got $code"
  exit 1
fi
case $output in
*"cannot measure"*) ;;
*) echo "no reason given"; exit 1 ;;
esac
case $output in
*"$expected"*) ;;
*) echo "\"$expected\" not shown"; exit 1 ;;
esac
