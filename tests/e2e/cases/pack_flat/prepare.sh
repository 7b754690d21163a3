# The sample product packed by zep pack as one flat folder, as on a CD-ROM, in a drive of
# its own (A:, which keeps the files' times as a copy into C:\SETUP would not). The
# product's files are dated before the stamp, README.TXT after it.
set -eu
touch -d '2026-11-01 10:00:00' "$ZEP_WORK/product/"*
touch -d '2026-12-24 12:00:00' "$ZEP_WORK/product/README.TXT"
rm -rf "$ZEP_SETUP_DIR"
env -u SOURCE_DATE_EPOCH "$ZEP_CASE_DIR/../../products/pack-sample.sh" --flat "$ZEP_SETUP_DIR" --stamp "2026-12-08 01:01"
