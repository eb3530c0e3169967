#!/usr/bin/env bash
# No cast to a procedure type in the plug-in's sources (the folders the DLL is
# built from). Windows and the host call our procedures through pointers of
# their own types; plugin/signature_checks.cpp holds each procedure to its type
# at compile time, and a cast would silence that check: a procedure with the
# wrong calling convention, cast to the right type, builds and then corrupts
# the stack of the 32-bit player.
#
# A cast counts when its target is a procedure type (WNDPROC, DLGPROC,
# TIMERPROC, FARPROC, LPTHREAD_START_ROUTINE, any of our ...Procedure types) or
# any pointer-to-function type, written as reinterpret_cast, static_cast,
# const_cast, std::bit_cast, a C-style or a functional cast. The one allowed
# form turns back the integer Windows keeps a window procedure in:
# reinterpret_cast<WindowProcedure>(SetWindowLongPtrA(...) / GetWindowLongPtrA(...)).
# Prints every cast found and fails when there is one.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

folders=()
for folder in platform/win32 platform core link protocol library files plugin; do
    [ -d "$folder" ] && folders+=("$folder")
done

python3 - "${folders[@]}" <<'PYTHON'
import os, re, sys

# Comments and the insides of string and character literals do not count.
literal_or_comment = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.S)
def blank(match):
    text = match.group(0)
    if text.startswith('/'):
        return re.sub(r'[^\n]', ' ', text)
    return text[0] + re.sub(r'[^\n]', ' ', text[1:-1]) + text[-1]

procedure = r'(?:(?:\w+::)*(?:WNDPROC|DLGPROC|TIMERPROC|FARPROC|NEARPROC|PROC|LPTHREAD_START_ROUTINE|SUBCLASSPROC|[A-Z]\w*Procedure))'
function_pointer = r'[^<>;{}]*\(\s*(?:\w+\s*)*\*\s*\)\s*\('  # R(CONV*)(...) or R(*)(...)
patterns = [
    re.compile(r'\b(?:reinterpret_cast|static_cast|const_cast|(?:std::)?bit_cast)\s*<\s*(?:' + procedure + r'\s*>|' + function_pointer + r')'),
    re.compile(r'\(\s*' + procedure + r'\s*\)\s*[\w&(*:]'),                      # (WNDPROC)x
    re.compile(r'\(\s*[\w:]+\s*\(\s*(?:\w+\s*)*\*\s*\)\s*\([^()]*\)\s*\)\s*[\w&(*:]'),  # (R(CONV*)(A))x
    re.compile(r'(?<![\w:.>])' + procedure + r'\s*\(\s*[^)\s]'),                  # WNDPROC(x)
]
allowed = re.compile(r'reinterpret_cast\s*<\s*WindowProcedure\s*>\s*\(\s*(?:SetWindowLongPtrA|GetWindowLongPtrA)\s*\(')

found = checked = 0
for folder in sys.argv[1:]:
    for directory, subfolders, files in os.walk(folder):
        subfolders[:] = [name for name in subfolders if not (directory == 'platform' and name in ('win32', 'sim'))]
        for name in sorted(files):
            if not name.endswith(('.h', '.cpp')):
                continue
            path = os.path.join(directory, name)
            text = literal_or_comment.sub(blank, open(path, encoding='utf-8', errors='replace').read())
            checked += 1
            for pattern in patterns:
                for match in pattern.finditer(text):
                    if allowed.match(text, match.start()):
                        continue
                    line = text.count('\n', 0, match.start()) + 1
                    print(f'procedure casts: {path}:{line}: a cast to a procedure type: {match.group(0).strip()}',
                          file=sys.stderr)
                    found += 1
if checked == 0:
    sys.exit('procedure casts: no sources found')
if found:
    sys.exit(1)
print(f'procedure casts: {checked} files checked, no cast to a procedure type')
PYTHON
