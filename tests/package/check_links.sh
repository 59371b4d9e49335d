#!/usr/bin/env bash
# Every relative link of the README and of the pages under doc/ leads somewhere: the file or
# folder it names exists, and a #fragment names a heading of the page it points to (as
# GitHub makes anchors of headings: lower case, punctuation dropped, spaces as hyphens).
# Links in fenced code blocks and links to other sites are not followed.
#
#   tests/package/check_links.sh [SOURCE_DIR]
set -euo pipefail

source_dir=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
failures=0

# The page without its fenced code blocks.
prose() {
    awk '/^```/ { fenced = !fenced; next } !fenced' "$1"
}

# The anchors of the page's headings, one a line.
anchors() {
    prose "$1" | sed -n 's/^#\{1,6\} \{1,\}//p' | tr 'A-Z' 'a-z' |
        sed 's/[^a-z0-9 _-]//g; s/ /-/g'
}

for page in "$source_dir/README.md" "$source_dir"/doc/*.md; do
    [ -f "$page" ] || continue
    while IFS= read -r target; do
        case $target in http://* | https://* | mailto:*) continue ;; esac
        path=${target%%#*}
        fragment=
        [ "$path" = "$target" ] || fragment=${target#*#}
        resolved=$page
        [ -z "$path" ] || resolved=$(dirname "$page")/$path
        name=${page#"$source_dir"/}
        if [ ! -e "$resolved" ]; then
            echo "FAIL: $name links to $target, which does not exist" >&2
            failures=$((failures + 1))
        elif [ -n "$fragment" ] && ! anchors "$resolved" | grep -qxF -- "$fragment"; then
            echo "FAIL: $name links to $target, which has no heading #$fragment" >&2
            failures=$((failures + 1))
        fi
    done < <(prose "$page" | grep -o '\]([^) ]*)' | sed 's/^](//; s/)$//')
done
[ "$failures" -eq 0 ] || exit 1
echo "links of README.md and doc/*.md resolve"
