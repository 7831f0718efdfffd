#!/usr/bin/env bash
# The template database as mdbtools sees it: a Jet 4 file whose only user table is IP, with its
# six columns, the AccessVersion property, and no rows; jetcheck finds it sound.
# Usage: template_mdbtools.sh TEMPLATE JETCHECK
set -euo pipefail
db="$1"
jetcheck="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }

[ "$(mdb-ver "$db")" = "JET4" ] || fail "mdb-ver does not say JET4"
[ "$(mdb-tables -1 "$db")" = "IP" ] || fail "user tables are not exactly IP: $(mdb-tables -1 "$db" | tr '\n' ' ')"

schema=$(mdb-schema "$db" | grep -E '^\s+\[' | tr -s ' \t' ' ' | sed 's/^ //; s/ $//; s/,$//')
expected='[startip] Text (16)
[endip] Text (16)
[startid] Double
[endid] Double
[country] Text (128)
[local] Text (255)'
[ "$schema" = "$expected" ] || fail "schema differs:
$schema"

mdb-prop "$db" MSysDb | grep -qE '^\s+AccessVersion: 08\.50$' || fail "AccessVersion 08.50 missing"
mdb-prop "$db" IP | grep -c 'AllowZeroLength: yes' | grep -qx 4 || fail "AllowZeroLength is not on for the four text columns"

export_out=$(mdb-export "$db" IP)
[ "$export_out" = "startip,endip,startid,endid,country,local" ] || fail "IP is not empty: $export_out"
"$jetcheck" "$db" | grep -q '^OK: ' || fail "jetcheck does not find the template sound: $("$jetcheck" "$db")"
echo "template reads as expected in mdbtools"
