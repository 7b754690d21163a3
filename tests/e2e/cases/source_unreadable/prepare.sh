# Good copies of three installation files, for the person to put back, and one of them
# made unreadable: a link to /proc/self/mem opens like a file and fails every read at its
# start with an I/O error, as a file on a damaged disk does (Wine runs as root here, so
# taking permissions away would not stop a read). Wine can neither delete nor rename
# such a link, so UNINST.EX_ reaches it through the folder DAMAGED, which the steps can
# move aside to put a good copy in its place.
mkdir -p "$ZEP_WORK/good" "$ZEP_SETUP_DIR/DAMAGED"
cp "$ZEP_SETUP_DIR/README.TX_" "$ZEP_SETUP_DIR/SAMPLE.TT_" "$ZEP_SETUP_DIR/UNINST.EX_" "$ZEP_WORK/good/"
ln -s /proc/self/mem "$ZEP_SETUP_DIR/DAMAGED/UNINST.EX_"
ln -sfn DAMAGED/UNINST.EX_ "$ZEP_SETUP_DIR/UNINST.EX_"
