# 300 KB that do not compress, and a filler that leaves less room than that on D:.
head -c 300000 /dev/urandom > "$ZEP_SETUP_DIR/BIG.DAT"
cp "$ZEP_SETUP_DIR/BIG.DAT" "$ZEP_WORK/expected/BIG.DAT"
head -c 300000 /dev/zero > "$ZEP_DRIVE_DIR/FILLER.BIN"
