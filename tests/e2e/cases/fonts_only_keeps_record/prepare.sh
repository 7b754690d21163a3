# The fonts-only installer in its own folder, beside the sample's.
cp "$ZEP_SETUP_DIR/SETUP.EXE" "$ZEP_SETUP_DIR/SAMPLE.TT_" "$ZEP_SETUP_DIR/SAMPLE.HL_" "$ZEP_WORK/fonts/"
