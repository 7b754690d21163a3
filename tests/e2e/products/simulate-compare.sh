#!/usr/bin/env bash
# For the check.sh of a case that installed the sample under Wine: zep simulate, run on
# the very installation files Wine ran (INPUT) for the same platform and display, must
# report what landed in the prefix: the files in C:\SAMPLE and the font with their sizes,
# the product INI's entries, the uninstall entry's and the font's registry values, and a
# group item for every link in the group's Start Menu folder.
#   simulate-compare.sh INPUT [zep simulate options...]
set -euo pipefail
input=$1
shift
zep=$ZEP_HOST_BUILD_DIR/tools/zep/zep
c=$WINEPREFIX/drive_c
out=$ZEP_WORK/simulate
mkdir -p "$out"
"$zep" simulate "$input" --json "$@" > "$out/simulate.json" || { echo "FAIL: zep simulate ended with $?"; exit 1; }
# What the prefix holds.
(cd "$c/SAMPLE" && find . -type f -printf '%P %s\n' | sort) > "$out/files.txt"
(cd "$c/windows" && find Fonts system32 system -maxdepth 1 -iname 'SAMPLE.*' -printf 'WINDOWS/%p %s\n' 2>/dev/null || true) \
  > "$out/fonts.txt"
tr -d '\r' < "$c/windows/SAMPLE.INI" > "$out/SAMPLE.INI"
tr -d '\r' < "$c/windows/win.ini" | grep -i '^Zep Sample' > "$out/win.ini.txt" || true
for key in 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sample Tool 2.0' \
           'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
           'HKLM\Software\Microsoft\Windows\CurrentVersion\Fonts'; do
  "$WINE" reg query "$key" 2>/dev/null | tr -d '\r' | grep -E 'REG_SZ' | grep -iE 'DisplayName|UninstallString|Zep Sample' || true
done > "$out/registry.txt"
group=$(find "$c/users" "$c/ProgramData" -type d -path "*/Start Menu/Programs/Sample Tool" 2>/dev/null | head -1)
if [ -n "$group" ]; then (cd "$group" && ls | sed 's/\.lnk$//' | sort) > "$out/links.txt"; else : > "$out/links.txt"; fi
python3 - "$out" <<'PY'
import json, re, sys
out = sys.argv[1]
run = json.load(open(out + '/simulate.json'))['install']
fail = []
def check(what, simulated, wine):
    if simulated != wine:
        fail.append('%s differ:\n  zep simulate: %s\n  Wine:         %s' % (what, simulated, wine))
# Files: below C:\SAMPLE, and the font.
sim_files = set()
for f in run['files']:
    if f['change'] != 'added' or f['folder']:
        continue
    p = f['path'].upper()
    if p.startswith('C:\\SAMPLE\\'):
        sim_files.add((p[len('C:\\SAMPLE\\'):].replace('\\', '/'), f['size']))
    elif re.match(r'C:\\WINDOWS\\(FONTS|SYSTEM32|SYSTEM)\\SAMPLE\.[A-Z]+$', p):
        sim_files.add((p[3:].replace('\\', '/'), f['size']))
wine_files = set()
started = False
for line in open(out + '/files.txt'):
    name, size = line.rsplit(' ', 1)
    if name.upper() == 'STARTED.TXT':  # written by the sample program once it runs
        started = True
        continue
    wine_files.add((name.upper(), int(size)))
for line in open(out + '/fonts.txt'):
    name, size = line.rsplit(' ', 1)
    wine_files.add((name.upper(), int(size)))
# A .FOT file is written by the system (CreateScalableFontResource), not copied: the
# simulated one is a stand-in of another size, so only its name is compared.
def sized(files):
    return sorted((n, None if n.endswith('.FOT') else s) for n, s in files)
check('files', sized(sim_files), sized(wine_files))
# A font registered in WIN.INI (NT 3.51).
check('WIN.INI [fonts] entries',
      sorted('%s=%s' % (i['key'], i['value']) for i in run['ini']
             if i['change'] == 'added' and i['file'].upper().endswith('\\WIN.INI') and i['section'].lower() == 'fonts'),
      sorted(l.strip() for l in open(out + '/win.ini.txt') if l.strip()))
check('the program started', [p['command'].upper() for p in run['programs_started']],
      ['C:\\SAMPLE\\SAMPLE.EXE'] if started else [])
# The product INI.
sim_ini = sorted((i['section'], i['key'], i['value']) for i in run['ini']
                 if i['change'] == 'added' and i['file'].upper().endswith('\\SAMPLE.INI'))
wine_ini, section = [], ''
for line in open(out + '/SAMPLE.INI'):
    line = line.strip()
    if line.startswith('['):
        section = line[1:-1]
    elif '=' in line:
        k, v = line.split('=', 1)
        wine_ini.append((section, k, v))
check('SAMPLE.INI entries', sim_ini, sorted(wine_ini))
# Registry values: the uninstall entry and the font.
sim_reg = sorted((r['name'], r['value']) for r in run['registry']
                 if r['change'] == 'added' and r['name'] in ('DisplayName', 'UninstallString', 'Zep Sample (TrueType)'))
wine_reg = []
for line in open(out + '/registry.txt'):
    m = re.match(r'\s*(.*?)\s+REG_SZ\s+(.*)$', line.rstrip('\n'))
    if m:
        wine_reg.append((m.group(1), m.group(2)))
check('registry values', sim_reg, sorted(wine_reg))
# The group: each link the shell made is an item zep simulate's commands add.
titles = set()
for c in run['group_commands']:
    m = re.match(r'\[AddItem\((.*), (.*)\)\]$', c)
    if m:
        titles.add(m.group(2))
if not any(c == '[CreateGroup(Sample Tool)]' for c in run['group_commands']):
    fail.append('zep simulate sends no [CreateGroup(Sample Tool)]')
links = set(l.strip() for l in open(out + '/links.txt') if l.strip())
check('group items (links under Wine)', sorted(titles), sorted(links))
if not run['completed']:
    fail.append('zep simulate did not complete: ' + run['outcome'])
if fail:
    print('FAIL: ' + '\nFAIL: '.join(fail))
    sys.exit(1)
print('check: zep simulate reports what landed under Wine (%d files, %d INI entries, %d registry values, %d links)'
      % (len(wine_files), len(wine_ini), len(wine_reg), len(links)))
PY
