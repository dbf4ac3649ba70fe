#!/usr/bin/env bash
# Checks that includes run one way through the layers:
#   util -> platform, db -> ui -> update, launch, uninstall -> app
# A file may include headers of its own folder and of lower layers only; platform/win32/win.h,
# the one header that includes <windows.h>, counts as a system header. Prints the include
# graph between the folders, and every include that runs against the layers; exits 1 then.
#   bash tools/check-layers.sh
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A rank=([util]=0 [platform]=1 [db]=1 [ui]=2 [update]=3 [launch]=3 [uninstall]=3 [app]=4)
declare -A edges=()
bad=0
while IFS= read -r file; do
    from=${file%%/*}
    while IFS= read -r target; do
        [ "$target" = platform/win32/win.h ] && continue
        to=${target%%/*}
        [ -n "${rank[$to]:-}" ] || { echo "$file: includes \"$target\", outside the layers"; bad=1; continue; }
        [ "$to" = "$from" ] && continue
        edges["$from $to"]=1
        if [ "${rank[$to]}" -ge "${rank[$from]}" ]; then
            echo "$file: includes \"$target\" ($from may not use $to)"
            bad=1
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files -- util platform db ui update launch uninstall app | grep -E '\.(h|cpp)$')
echo "include graph (folder: the folders it uses):"
for from in util platform db ui update launch uninstall app; do
    uses=""
    for to in util platform db ui update launch uninstall app; do
        [ -n "${edges["$from $to"]:-}" ] && uses+=" $to"
    done
    echo "  $from:${uses:- (none)}"
done
[ $bad = 0 ] && echo "layers: ok" || { echo "layers: includes against the layers" >&2; exit 1; }
