#!/bin/sh
# The installed tool end to end: a profile and a macro file go through show and from-json, and a
# profile through a store, and come back byte for byte. Usage: round_trip.sh TOOL WORK_FOLDER
set -eu
tool=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
cd "$work"

"$tool" profile new "Round trip" -o new.pro
"$tool" profile show new.pro > new.json
"$tool" profile from-json new.json -o back.pro
cmp new.pro back.pro

head -c 101540 /dev/urandom > random.pro
"$tool" profile show random.pro > random.json
"$tool" profile from-json random.json -o random-back.pro
cmp random.pro random-back.pro

"$tool" macro new "Burst" -o new.macro
"$tool" macro show new.macro > macro.json
"$tool" macro from-json macro.json -o back.macro
cmp new.macro back.macro

head -c 3096 /dev/urandom > random.macro
"$tool" macro show random.macro > random-macro.json
"$tool" macro from-json random-macro.json -o random-back.macro
cmp random.macro random-back.macro

# A profile imported into a folder without a store comes back out as the same file.
test "$("$tool" store import new.pro --data-dir data)" = "1 Round trip"
"$tool" store export 1 -o exported.pro --data-dir data
cmp new.pro exported.pro

# Errors: a non-zero exit and one line on stderr.
if "$tool" profile show missing.pro 2> error.txt; then
    echo "showing a missing file succeeded" >&2
    exit 1
fi
test "$(wc -l < error.txt)" -eq 1
