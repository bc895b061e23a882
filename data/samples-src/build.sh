#!/usr/bin/env bash
# Rebuilds the sample tests of data/system from their sources:
#   bash data/samples-src/build.sh [path/to/ruvo-tool]
# Each source becomes rich-edit RTF (make_rtf.py), then a .ruvo (the RTF as one BDC stream).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tool=${1:-$here/../../build/bin/ruvo-tool}
sys=$here/../system
mkdir -p "$sys/ruvof/sample"
for src in gettysburg fables howtoedit; do
  python3 "$here/make_rtf.py" "$here/$src.txt" "$here/$src.rtf"
done
pack() { rm -f "$2"; "$tool" bdc encode "$1" "$2"; }
pack "$here/gettysburg.rtf" "$sys/ruvof/sample/sample1-gettysburg.ruvo"
pack "$here/fables.rtf" "$sys/ruvof/sample/sample2-fables.ruvo"
pack "$here/howtoedit.rtf" "$sys/HowToEdit.ruvo"
