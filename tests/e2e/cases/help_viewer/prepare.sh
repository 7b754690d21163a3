# Two help files made by zep help beside setup.exe: the sample product's, and one whose
# topics fill many 4 KB topic blocks, so topics far into the file are asked for too.
set -euo pipefail
zep=$ZEP_HOST_BUILD_DIR/tools/zep/zep
repo=$ZEP_CASE_DIR/../../../..
"$zep" help "$repo/examples/sample/help.txt" -o "$ZEP_SETUP_DIR/SAMPLE.HLP" 2>/dev/null
{
  printf 'Blocks Test Help\r\n'
  for n in $(seq 1 40); do
    printf '\r\n# %d Topic %d\r\n' $((n * 100)) "$n"
    for p in 1 2 3; do
      printf 'Paragraph %d of topic %d: ' "$p" "$n"
      for w in $(seq 1 60); do printf 'word%d ' "$w"; done
      printf '**bold %d**.\r\n\r\n' "$p"
    done
    printf -- '- a list item of topic %d\r\n- Caf\xe9 \x93quoted\x94\r\n' "$n"
  done
} > "$ZEP_WORK/blocks.txt"
"$zep" help "$ZEP_WORK/blocks.txt" -o "$ZEP_SETUP_DIR/BLOCKS.HLP" 2>/dev/null
