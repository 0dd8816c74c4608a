#!/bin/sh
# Regenerates windows/kwl_OPIS.rtf, the description shown by "Pomoc" -> "Opis programu",
# from docs/kwl_OPIS.md with pandoc (Debian package "pandoc"). Run it after every change to
# the Markdown, from any folder; the RTF is kept in the tree, so the build needs no pandoc.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
pandoc -s -f markdown -t rtf docs/kwl_OPIS.md -o windows/kwl_OPIS.rtf
