# The product as an upgrade of versions 1.0 to 2.0.
sed -i 's/^ProductVersion=2.0$/&\nVersionToPatch=1.0/' "$ZEP_SETUP_DIR/INSTALL.INI"
