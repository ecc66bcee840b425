#!/usr/bin/env bash
# Checks that every include of the project's own headers follows the layers: a file includes its
# own folder and the folders its folder may use, nothing above. Fails naming each file and line.
set -euo pipefail
cd "$(dirname "$0")/.."

# What each folder may include besides itself.
uses() {
    case $1 in
    util) echo "" ;;
    settings | sensors | log) echo "util" ;;
    monitor) echo "sensors log util" ;;
    export | history) echo "monitor sensors log util" ;;
    graph) echo "" ;;
    app/console) echo "export history monitor sensors settings log util" ;;
    app) echo "app/console graph export history monitor sensors settings log util" ;;
    esac
}

status=0
for folder in util settings sensors log monitor export history graph app/console app; do
    allowed=" $folder $(uses "$folder") "
    for file in "$folder"/*.cpp "$folder"/*.h; do
        [ -e "$file" ] || continue
        while IFS=: read -r line include; do
            target=${include%/*}
            [ "$target" = app ] || [ "$target" = app/console ] || target=${target%%/*}
            if [[ $allowed != *" $target "* ]]; then
                echo "$file:$line: includes $include; $folder may use only:$allowed"
                status=1
            fi
        done < <(grep -n -o -E '^#include "[a-z]+(/[a-z]+)?/[a-z0-9_]+\.h"' "$file" |
            sed -E 's/^([0-9]+):#include "(.*)"$/\1:\2/')
    done
done
exit "$status"
