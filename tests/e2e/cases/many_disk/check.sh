bash "$ZEP_CASE_DIR/../../products/many/check-landed.sh" disk
