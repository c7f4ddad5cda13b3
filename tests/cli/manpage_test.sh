#!/usr/bin/env bash
# The manual page of quor-capture renders without warnings and describes every option the
# program's --help lists.
#   manpage_test.sh <quor-capture> <quor-capture.1>
set -euo pipefail
program=$1
page=$2

warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$page" 2>&1)
[ -z "$warnings" ] || { echo "FAIL: groff warns:"; echo "$warnings"; exit 1; }

missing=0
for option in $("$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  grep -q -- "${option//-/\\\\-}" "$page" || { echo "FAIL: $option is not in the manual page"; missing=1; }
done
[ "$missing" -eq 0 ] || exit 1
echo PASS
