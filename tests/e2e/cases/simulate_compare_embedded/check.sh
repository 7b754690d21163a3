# zep simulate on the embedded setup.exe Wine ran reports what landed (Windows 95).
set -euo pipefail
bash "$ZEP_CASE_DIR/../../products/simulate-compare.sh" "$ZEP_SETUP_DIR/SETUP.EXE" --platform win95 --display vga
