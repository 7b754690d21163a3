# SAMPLE.EX_ on the disk is a bad copy, cut short; the person has a good one elsewhere.
mkdir -p "$ZEP_WORK/good"
cp "$ZEP_SETUP_DIR/SAMPLE.EX_" "$ZEP_WORK/good/"
truncate -s $(( $(stat -c %s "$ZEP_SETUP_DIR/SAMPLE.EX_") / 2 )) "$ZEP_SETUP_DIR/SAMPLE.EX_"
