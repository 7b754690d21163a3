# Disk 2's files are not to be had: the person cancels when asked for disk 2.
rm "$ZEP_SETUP_DIR/DATA.2" "$ZEP_SETUP_DIR/UNINST.EX_"
