# The sample product packed by zep pack as 1.44M floppy images; the person has their files
# as mcopy reads them back out (this kernel mounts no FAT image): disk 1 in drive A:,
# disk 2 on the desk. The product's files are dated before the stamp, SAMPLE.EXE after it.
set -eu
touch -d '2026-11-01 10:00:00' "$ZEP_WORK/product/"*
touch -d '2026-12-24 12:00:00' "$ZEP_WORK/product/SAMPLE.EXE"
env -u SOURCE_DATE_EPOCH "$ZEP_CASE_DIR/../../products/pack-sample.sh" --images "$ZEP_WORK/images" \
  --disk-size 1.44M --stamp "2026-12-08 01:01"
rm -rf "$ZEP_SETUP_DIR" && mkdir -p "$ZEP_SETUP_DIR" "$ZEP_WORK/disk2"
export MTOOLS_SKIP_CHECK=1
mcopy -m -i "$ZEP_WORK/images/DISK1.IMG" '::*' "$ZEP_SETUP_DIR/"
mcopy -m -i "$ZEP_WORK/images/DISK2.IMG" '::*' "$ZEP_WORK/disk2/"
