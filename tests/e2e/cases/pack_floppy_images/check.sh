bash "$ZEP_CASE_DIR/../../products/sample-landed.sh" SAMPLE/SAMPLE.EXE
