# zep simulate on the files setup.exe ran from reports what landed (Windows NT 4.0, VGA).
set -euo pipefail
bash "$ZEP_CASE_DIR/../../products/simulate-compare.sh" "$ZEP_SETUP_DIR" --platform nt40 --display vga
