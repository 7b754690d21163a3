set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
dir=$(group_dir "Tools, Utilities")
[ -n "$dir" ] || fail "no Start Menu folder \"Tools, Utilities\""
for title in "Sample Tool (main)" "Read Me" "Uninstall Sample Tool"; do
  [ -z "$dir" ] || [ -f "$dir/$title.lnk" ] || fail "no link $title in $dir"
done
[ -n "$(group_dir "Tools")" ] || fail "the person's own group Tools was deleted"
finish "the group \"Tools, Utilities\" was made with its items; the group Tools stays"
