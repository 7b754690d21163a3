# zep simulate on the files setup.exe ran from reports what landed (Windows NT 3.51, the
# 8514 display class: 120 pixels per inch).
set -euo pipefail
bash "$ZEP_CASE_DIR/../../products/simulate-compare.sh" "$ZEP_SETUP_DIR" --platform nt351 --display 8514
