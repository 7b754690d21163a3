# Checks of what the sample product leaves in a Wine prefix, for a case's check.sh:
# source this file, call the expect_ functions, end with finish "what held".
failed=0
fail() { echo "FAIL: $*"; failed=1; }
finish() { [ $failed = 0 ] && echo "check: $*"; exit $failed; }
expect_same() { cmp -s "$1" "$2" || fail "$1 differs from $2"; }

# Start Menu folders of the shell's Program Manager groups (the user's and everyone's).
group_dir() {
  find "$WINEPREFIX/drive_c/users" "$WINEPREFIX/drive_c/ProgramData" -type d \
    -path "*/Start Menu/Programs/$1" 2>/dev/null | head -1
}
expect_links() {
  local dir; dir=$(group_dir "Sample Tool")
  [ -n "$dir" ] || { fail "no Start Menu folder Sample Tool"; return; }
  for title in "$@"; do [ -f "$dir/$title.lnk" ] || fail "no link $title in $dir: $(ls "$dir" | tr '\n' ',')"; done
}
expect_no_link() {
  local dir; dir=$(group_dir "Sample Tool")
  [ ! -e "$dir/$1.lnk" ] || fail "a link $1 that is not for this platform"
}
expect_no_group() { [ -z "$(group_dir "$1")" ] || fail "the group $1 is still there"; }

# The sample's font as recorded under a registry key.
font_value() {
  "$WINE" reg query "$1" /v 'Zep Sample (TrueType)' 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'
}
expect_font_value() {
  local got; got=$(font_value "$1")
  [ "$got" = "$2" ] || fail "$1 records the font as \"$got\", expected $2"
}
expect_no_font_value() { [ -z "$(font_value "$1")" ] || fail "$1 records the font"; }
