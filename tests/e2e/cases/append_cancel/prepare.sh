# Disk 2's part is not where setup looks: the person cancels when asked for it.
rm "$ZEP_SETUP_DIR/PART2.TX_"
