#!/usr/bin/env bash
# Rebuilds the shipped samples of data/system from their sources:
#   bash data/samples-src/build.sh [path/to/ruvo-tool]
# Each source becomes rich-edit RTF (make_rtf.py). The template and the scripts are shipped
# as they are and compiled by ruvo-tool into the sample projects and test documents, so the
# samples always show what the compiler makes. The older hand-written tests are packed as
# documents (the RTF as one BDC stream).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tool=${1:-$here/../../build/bin/ruvo-tool}
sys=$here/../system
mkdir -p "$sys/ruvof/sample" "$sys/project/sample" "$sys/template/fixed form" "$sys/script/fixed form"
for src in gettysburg fables howtoedit; do
  python3 "$here/make_rtf.py" "$here/$src.txt" "$here/$src.rtf"
done
pack() { rm -f "$2"; "$tool" bdc encode "$1" "$2"; }
pack "$here/gettysburg.rtf" "$sys/ruvof/sample/sample1-gettysburg.ruvo"
pack "$here/fables.rtf" "$sys/ruvof/sample/sample2-fables.ruvo"
pack "$here/howtoedit.rtf" "$sys/HowToEdit.ruvo"

template="$sys/template/fixed form/standard.rtf"
python3 "$here/make_rtf.py" "$here/template-standard.txt" "$template"
for name in sample3-lighthouse:script-lighthouse sample4-market:script-market; do
  out=${name%%:*} src=${name##*:}
  script="$sys/script/fixed form/$out.rtf"
  python3 "$here/make_rtf.py" "$here/$src.txt" "$script"
  rm -f "$sys/ruvof/sample/$out.ruvo" "$sys/project/sample/$out.ruvp"
  "$tool" compile "$script" "$template" -o "$sys/ruvof/sample/$out.ruvo" --project "$sys/project/sample/$out.ruvp"
done
