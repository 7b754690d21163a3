# The person's log on D:, a second part of 300 KB that does not compress, and a filler
# that leaves room for the first part but not for the second.
head -c 300000 /dev/urandom > "$ZEP_SETUP_DIR/BIG.DAT"
cat "$ZEP_WORK/pre/LOG.TXT" "$ZEP_SETUP_DIR/PART1.TXT" "$ZEP_SETUP_DIR/BIG.DAT" > "$ZEP_WORK/expected/LOG.TXT"
mkdir -p "$ZEP_DRIVE_DIR/LOGTOOL"
cp "$ZEP_WORK/pre/LOG.TXT" "$ZEP_DRIVE_DIR/LOGTOOL/LOG.TXT"
head -c 300000 /dev/zero > "$ZEP_DRIVE_DIR/FILLER.BIN"
