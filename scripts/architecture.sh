#!/usr/bin/env bash
# Draws the tree's layers from its own includes: cmake/check-layers.cmake
# lists every quoted #include it resolves, and this script turns them into
# two Graphviz drawings in docs/images/:
#   layers.dot / layers.svg   the top folders; a solid arrow where files of
#                             one include files of the other, a dashed one
#                             where cmake/layers.txt allows it and no file
#                             does it yet
#   plugin.dot / plugin.svg   the plug-in's own folders under src/
# The .dot files are kept in the tree so that a change of the layering shows
# in review; the .svg files are rendered from them by Debian's graphviz.
#
#   scripts/architecture.sh           write the .dot files and render them
#   scripts/architecture.sh --check   fail when the .dot files in the tree
#                                     differ from what the code gives
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "architecture: $*" >&2
  exit 1
}

mode="write"
case "${1:-}" in
  "") ;;
  --check) mode="check" ;;
  *) echo "usage: scripts/architecture.sh [--check]" >&2; exit 2 ;;
esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

includes=$work/includes.txt
cmake -DROOT="$PWD" -DRULES=cmake/layers.txt -DGRAPH="$includes" -P cmake/check-layers.cmake \
  >"$work/check.log" 2>&1 || { cat "$work/check.log" >&2; fail "the layer check failed, so there is nothing true to draw"; }
listed=$(grep -c . "$includes" || true)
[ "${listed:-0}" -gt 0 ] || fail "the layer check listed no include"

# The layers in the order cmake/layers.txt gives them, and what each may use.
layer_rules=$(sed -n 's/^layer[[:space:]]\{1,\}\([^[:space:]:]\{1,\}\)[[:space:]]*:[[:space:]]*/\1 /p' cmake/layers.txt)
[ -n "$layer_rules" ] || fail "cmake/layers.txt names no layer"

# layers.dot: one node per layer, an edge per pair of layers that include
# (solid) or may include (dashed).
awk -v rules="$layer_rules" '
  BEGIN {
    count = split(rules, lines, "\n")
    for (i = 1; i <= count; ++i) {
      n = split(lines[i], words, " ")
      order[i] = words[1]
      for (j = 2; j <= n; ++j) if (words[j] != words[1]) allowed[words[1] " " words[j]] = 1
    }
  }
  {
    split($1, from, "/"); split($2, to, "/")
    if (from[1] != to[1]) used[from[1] " " to[1]] = 1
  }
  END {
    print "// Made by scripts/architecture.sh from the includes; do not edit."
    print "digraph layers {"
    print "  graph [rankdir=TB, nodesep=0.3, ranksep=0.5];"
    print "  node [shape=box, style=rounded, fontname=\"Helvetica\"];"
    print "  edge [color=\"#444444\"];"
    for (i = 1; i <= count; ++i) print "  \"" order[i] "\";"
    for (i = 1; i <= count; ++i) {
      for (j = 1; j <= count; ++j) {
        pair = order[i] " " order[j]
        if (pair in used) print "  \"" order[i] "\" -> \"" order[j] "\";"
        else if (pair in allowed) print "  \"" order[i] "\" -> \"" order[j] "\" [style=dashed, color=\"#999999\"];"
      }
    }
    print "}"
  }' "$includes" >"$work/layers.dot"

# plugin.dot: the plug-in's folders (src/core, src/data, ...) and the one
# file outside src/ that it reaches.
awk '
  $1 ~ /^src\// {
    split($1, from, "/")
    if ($2 ~ /^src\//) { split($2, to, "/"); target = to[2] } else target = $2
    if (from[2] != target) edges["\"" from[2] "\" -> \"" target "\""] = 1
    nodes[from[2]] = 1
  }
  END {
    print "// Made by scripts/architecture.sh from the includes; do not edit."
    print "digraph plugin {"
    print "  graph [rankdir=TB, nodesep=0.3, ranksep=0.5];"
    print "  node [shape=box, style=rounded, fontname=\"Helvetica\"];"
    print "  edge [color=\"#444444\"];"
    n = 0
    for (node in nodes) sorted_nodes[++n] = node
    for (i = 2; i <= n; ++i) for (j = i; j > 1 && sorted_nodes[j - 1] > sorted_nodes[j]; --j) {
      t = sorted_nodes[j]; sorted_nodes[j] = sorted_nodes[j - 1]; sorted_nodes[j - 1] = t
    }
    for (i = 1; i <= n; ++i) print "  \"" sorted_nodes[i] "\";"
    m = 0
    for (edge in edges) sorted_edges[++m] = edge
    for (i = 2; i <= m; ++i) for (j = i; j > 1 && sorted_edges[j - 1] > sorted_edges[j]; --j) {
      t = sorted_edges[j]; sorted_edges[j] = sorted_edges[j - 1]; sorted_edges[j - 1] = t
    }
    for (i = 1; i <= m; ++i) print "  " sorted_edges[i] ";"
    print "}"
  }' "$includes" >"$work/plugin.dot"

for name in layers plugin; do
  grep -c -- '->' "$work/$name.dot" >/dev/null || fail "$name.dot: no edge drawn from the includes"
done

if [ "$mode" = check ]; then
  status=0
  for name in layers plugin; do
    if ! cmp -s "$work/$name.dot" "docs/images/$name.dot"; then
      echo "architecture: docs/images/$name.dot differs from the includes; run scripts/architecture.sh" >&2
      diff "docs/images/$name.dot" "$work/$name.dot" >&2 || true
      status=1
    fi
  done
  [ "$status" -eq 0 ] && echo "architecture: the drawings match the includes"
  exit "$status"
fi

if ! command -v dot >/dev/null; then
  # scripts/apt-get.sh says in one line what failed.
  if ! scripts/apt-get.sh install -y -qq --no-install-recommends graphviz >/dev/null 2>&1; then
    scripts/apt-get.sh update -qq || exit 1
    scripts/apt-get.sh install -y -qq --no-install-recommends graphviz >/dev/null || exit 1
  fi
fi
for name in layers plugin; do
  cp "$work/$name.dot" "docs/images/$name.dot"
  dot -Tsvg "docs/images/$name.dot" -o "docs/images/$name.svg" || fail "dot could not render docs/images/$name.dot"
  echo "architecture: docs/images/$name.dot and $name.svg written"
done
