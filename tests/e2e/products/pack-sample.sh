#!/usr/bin/env bash
# zep pack of the sample's product folder ($ZEP_WORK/product, as the sample's prepare.sh
# left it) with the programs Wine runs: the x86-64 setup.exe and uninst.exe. The
# uninstaller zep pack adds depends on the stamp and the files' times, so the one of this
# run becomes $ZEP_WORK/expected/UNINST.EXE for the checks.
#   pack-sample.sh OUTPUT... [OPTION...]    (as zep pack takes them)
set -euo pipefail
zep=$ZEP_HOST_BUILD_DIR/tools/zep/zep
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
flat=""
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  [ "${args[i]}" = --flat ] && flat=${args[i + 1]}
done
[ -n "$flat" ] || { flat=$scratch/flat; args+=(--flat "$flat"); }
"$zep" pack "$ZEP_WORK/product" "${args[@]}" --stub "$ZEP_WIN64_BUILD_DIR/src/setup.exe" \
  --uninst-stub "$ZEP_WIN64_BUILD_DIR/src/uninst.exe" >/dev/null
rm -f "$ZEP_WORK/expected/UNINST.EXE"
"$zep" expand -o "$ZEP_WORK/expected" "$flat/UNINST.EX_" >/dev/null
