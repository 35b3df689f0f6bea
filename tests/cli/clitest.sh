#!/usr/bin/env bash
# marklens-cli mark and hit on small mirrors: exact output, exit status, one error line.
set -u
cli=$1
dir=$2
failures=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

expect_output() {  # expected, then the command's arguments
    local expected=$1
    shift
    local actual
    actual=$("$cli" "$@" 2>"$scratch/err")
    local status=$?
    if [ "$status" -ne 0 ] || [ "$actual" != "$expected" ] || [ -s "$scratch/err" ]; then
        echo "FAIL: $* gave status $status, output '$actual', errors '$(cat "$scratch/err")', expected '$expected'"
        failures=$((failures + 1))
    fi
}

expect_error() {  # the command's arguments
    "$cli" "$@" >"$scratch/out" 2>"$scratch/err"
    local status=$?
    if [ "$status" -ne 1 ] || [ -s "$scratch/out" ] || [ "$(wc -l <"$scratch/err")" -ne 1 ]; then
        echo "FAIL: $* gave status $status, output '$(cat "$scratch/out")', errors '$(cat "$scratch/err")'"
        failures=$((failures + 1))
    fi
}

expect_output "$(cat "$dir/overlap.marked.xml")" mark "$dir/overlap.xml"
expect_output "4 15 15 35 35" hit "$dir/overlap.xml" 16 16
expect_output "3 10 10 30 30" hit "$dir/overlap.xml" 12 12
expect_output "5 200 200 205 205" hit "$dir/overlap.xml" 204 204
expect_output "2 0 0 100 100" hit "$dir/overlap.xml" 0 99
expect_output "0" hit "$dir/overlap.xml" 205 205
expect_output "0" hit "$dir/overlap.xml" -1 5

expect_output "Marklens 1.0.1" --version
"$cli" --help | grep -q -- "--version" || { echo "FAIL: --help does not list --version"; failures=$((failures + 1)); }

expect_error mark "$dir/broken.xml"
expect_error mark "$dir/tail.xml"
expect_error mark "$dir/missing.xml"
expect_error mark
expect_error hit "$dir/overlap.xml" 1
expect_error hit "$dir/overlap.xml" 1 y
expect_error hit "$dir/overlap.xml" 1 99999999999
expect_error nonsense

# Find Next: the start node is tested last, both directions wrap, case folds beyond ASCII.
find=$dir/find.xml
expect_output "select 4" find "$find" 2 "émile"
expect_output "select 6" find "$find" 4 "émile"
expect_output "select 4 wrapped" find "$find" 6 "ÉMILE"
expect_output "select 6 wrapped" find "$find" 4 "émile" --up
expect_output "select 4" find "$find" 6 "Émile" --up
expect_output "select 6" find "$find" 2 "émile" --match-case
expect_output "select 4 wrapped" find "$find" 4 "Émile" --match-case
expect_output "select 4 wrapped" find "$find" 4 "zola"
expect_output "not found" find "$find" 2 "ZOLA" --match-case
expect_output "not found" find "$find" 2 "nowhere" --up
expect_output "select 1 wrapped" find "$find" 8 "doc"
expect_output "select 8 wrapped" find "$find" 1 "last" --up
expect_output "select 8" find "$find" 1 "σίσυφος"
expect_output "select 7" find "$find" 1 $'\xe2\x84\xaa'elvin  # the Kelvin sign folds to k
expect_output "nothing" find "$find" 99 "zola"
expect_output "dialog" find "$find" 2 ""
expect_error find "$find" two "zola"
expect_error find "$find" 2

if [ "$failures" -ne 0 ]; then
    echo "$failures cli checks failed"
    exit 1
fi
echo "cli checks passed"
