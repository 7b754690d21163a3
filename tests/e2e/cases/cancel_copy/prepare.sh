# The person has file 100 in another folder.
mkdir -p "$ZEP_WORK/later"
mv "$ZEP_SETUP_DIR/F100.DA_" "$ZEP_WORK/later/"
