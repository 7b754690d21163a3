# Disk 2's part is a bad copy, cut short; the person has a good one in another folder.
mkdir -p "$ZEP_WORK/good"
cp "$ZEP_SETUP_DIR/PART2.TX_" "$ZEP_WORK/good/"
truncate -s $(( $(stat -c %s "$ZEP_SETUP_DIR/PART2.TX_") / 2 )) "$ZEP_SETUP_DIR/PART2.TX_"
