#!/bin/sh
# Renders the program's icon from stelvan.svg at the sizes desktops look for. The PNGs are
# kept in the tree, so only a changed drawing needs this (rsvg-convert, from librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for n in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$n" -h "$n" ../stelvan.svg -o "stelvan-$n.png"
done
