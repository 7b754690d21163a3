# Disk 2's files are not on the floppy: the person has them in another folder.
mkdir -p "$ZEP_WORK/disk2"
mv "$ZEP_SETUP_DIR/DATA.2" "$ZEP_SETUP_DIR/UNINST.EX_" "$ZEP_WORK/disk2/"
