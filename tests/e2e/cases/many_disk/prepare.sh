# The person has file 150 in another folder.
mkdir -p "$ZEP_WORK/later"
mv "$ZEP_SETUP_DIR/F150.DA_" "$ZEP_WORK/later/"
