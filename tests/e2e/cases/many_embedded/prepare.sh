# The same product in embedded mode: one setup.exe carries the script, the help file and
# every file as resources of type 256, numbered in the order of the script's lines; nothing
# else lies beside it.
set -eu
cd "$ZEP_SETUP_DIR"
printf 'Help for Many Files.\r\n' > MANY.HLP
"$ZEP_HOST_BUILD_DIR/tools/zep/zep" compress -r -o . INSTALL.INI MANY.HLP >/dev/null
{
  echo '#include "setup.rc"'
  echo '12000 256 "INSTALL.IN_"'
  echo '12001 256 "MANY.HL_"'
  id=12002
  awk -F= '/^\[Disk /{disk=1; next} /^\[/{disk=0} disk && $1 != "DiskName" && NF > 1 {print $1}' INSTALL.INI |
    while read -r file; do echo "$id 256 \"$file\""; id=$((id + 1)); done
} > payload.rc
"$ZEP_WIN64_BUILD_DIR/link-setup.sh" payload.rc SETUP.EXE
find . -maxdepth 1 -type f ! -name SETUP.EXE -delete
