# The sample's group is named "Tools, Utilities" and its program item has a parenthesis.
sed -i -e 's/^GroupName=Sample Tool$/GroupName=Tools, Utilities/' \
  -e 's/^SAMPLE.EXE=Sample Tool$/SAMPLE.EXE=Sample Tool (main)/' "$ZEP_SETUP_DIR/INSTALL.INI"
