#!/usr/bin/env bash
# marklens-cli mark, hit, path and find on small mirrors: exact output, exit status, one error
# line; and the same answers with --json, read back by a JSON parser.
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

# Reads a --json answer back as `a` and tells whether the check holds; mirror(FILE) is the
# mirror's XML in the shape its JSON has.
read_json='
import json, sys, xml.etree.ElementTree as tree
INTEGERS = {"node-id", "left", "top", "width", "height", "transparent", "outside-children"}
def mirror(path):
    def node(e):
        attributes = {k: int(v) if k in INTEGERS else v for k, v in e.attrib.items()}
        return {"kind": e.tag, **attributes, "children": [node(child) for child in e]}
    return node(tree.parse(path).getroot())
a = json.load(open(sys.argv[1], encoding="utf-8"))
sys.exit(0 if eval(sys.argv[2]) else 1)
'

expect_json() {  # exit status, check, then the command's arguments; stderr stays empty
    local expected_status=$1 check=$2
    shift 2
    "$cli" "$@" --json >"$scratch/out" 2>"$scratch/err"
    local status=$?
    if [ "$status" -ne "$expected_status" ] || [ -s "$scratch/err" ] ||
        ! python3 -c "$read_json" "$scratch/out" "$check"; then
        echo "FAIL: $* --json gave status $status, output '$(head -c 300 "$scratch/out")'," \
            "errors '$(cat "$scratch/err")', expected $check"
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

# The same answers in JSON. A mirror's JSON holds what its XML does, in order and escaped, with
# bytes that are not UTF-8 replaced and the first of a repeated attribute, however deep it nests.
expect_json 0 "a == mirror('$dir/overlap.marked.xml') and list(a) == ['kind', 'node-id', 'text', 'outside-children', 'children']" \
    mark "$dir/overlap.xml"
"$cli" mark "$find" >"$scratch/find.marked.xml"
expect_json 0 "a == mirror('$scratch/find.marked.xml')" mark "$find"
printf '<doc node-id="1" text="q&quot; b\\ t&#9;n&#10;\xc3\xa9"><element node-id="2" text="\xff" text="2" kind="x"/></doc>' \
    >"$scratch/awkward.xml"
expect_json 0 "a['text'] == 'q\" b\\\\ t\tn\n\u00e9' and a['children'][0] == {'kind': 'element', 'node-id': 2, 'text': '\ufffd', 'outside-children': 0, 'children': []}" \
    mark "$scratch/awkward.xml"
python3 -c 'n = 100000; print("<doc node-id=\"1\">" + "<element>" * n + "</element>" * n + "</doc>")' >"$scratch/deep.xml"
deep=$("$cli" mark "$scratch/deep.xml" --json | tail -c 13)
[ "$deep" = ']}]}]}]}]}]}' ] || { echo "FAIL: mark --json on a deep mirror ended '$deep'"; failures=$((failures + 1)); }
expect_json 0 "a == {'id': 4, 'left': 15, 'top': 15, 'right': 35, 'bottom': 35}" hit "$dir/overlap.xml" 16 16
expect_json 0 "a == {'id': 0}" hit "$dir/overlap.xml" 205 205
expect_json 0 "a == {'id': 14}" path "$dir/oldmirror.xml" 5 "$dir/newmirror.xml"
expect_json 0 "a == {'id': 0}" path "$dir/oldmirror.xml" 6 "$dir/newmirror.xml"
expect_json 0 "a == {'outcome': 'select', 'id': 4, 'wrapped': True}" find "$find" 6 "ÉMILE"
expect_json 0 "a == {'outcome': 'select', 'id': 6, 'wrapped': False}" find "$find" 4 "émile"
expect_json 0 "a == {'outcome': 'not found'}" find "$find" 2 "ZOLA" --match-case
expect_json 0 "a == {'outcome': 'nothing'}" find "$find" 99 "zola"
expect_json 0 "a == {'outcome': 'dialog'}" find "$find" 2 ""
expect_json 0 "a == {'version': '1.0.1'}" --version
# A failure is the error alone, on stdout, wherever --json stands.
expect_json 1 "a == {'error': 'cannot read $dir/missing.xml'}" mark "$dir/missing.xml"
expect_json 1 "list(a) == ['error'] and a['error'].startswith('$dir/broken.xml is not a page mirror')" \
    hit "$dir/broken.xml" 1 1
expect_json 1 "a == {'error': 'usage: marklens-cli hit FILE X Y (X and Y integers)'}" hit "$dir/overlap.xml" 1
expect_json 1 "a['error'].startswith('usage: marklens-cli path')" path "$dir/oldmirror.xml" five "$dir/newmirror.xml"
expect_json 1 "a == {'error': \"unknown command 'nonsense' (try --help)\"}" --json nonsense
expect_json 1 "a == {'error': 'unknown or incomplete option --nonsense'}" targets --nonsense

if [ "$failures" -ne 0 ]; then
    echo "$failures cli checks failed"
    exit 1
fi
echo "cli checks passed"
