# What the target folder holds before: an earlier program, the person's notes, an earlier
# readme, for the steps to put in place.
mkdir -p "$ZEP_WORK/pre"
printf 'Sample Tool 1.5\r\n' > "$ZEP_WORK/pre/SAMPLE.EXE"
printf 'My notes, kept read-only.\r\n' > "$ZEP_WORK/pre/NOTES.TXT"
printf 'The readme of version 1.5.\r\n' > "$ZEP_WORK/pre/README.TXT"
