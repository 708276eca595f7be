#!/usr/bin/env bash
# Checks the shipped win32 artifacts: PE32 for Intel 80386, the component's one
# undecorated export, and that it imports only Windows system DLLs, shared.dll
# and the GCC runtime DLLs; the emulation library's eleven undecorated entry
# points, and that it stands alone (Windows system DLLs only).
set -euo pipefail
bin="$1"
objdump=i686-w64-mingw32-objdump
fail() { echo "FAIL: $*"; exit 1; }

for f in "$bin/components/son_velmo.dll" "$bin/components/SNESAPU.DLL" "$bin/shared.dll" "$bin/sonmara-host.exe"; do
  [ -f "$f" ] || fail "$f missing"
  "$objdump" -f "$f" | grep -q 'file format pei-i386' || fail "$f is not PE32 i386"
done
for dll in libgcc_s_dw2-1.dll libstdc++-6.dll libwinpthread-1.dll; do
  [ -f "$bin/$dll" ] || fail "runtime $dll not beside the host"
done

dump=$("$objdump" -p "$bin/components/son_velmo.dll")
exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^\s+\[ *[0-9]+\]' | awk '{print $NF}')
[ "$exports" = "sonmara_get_interface" ] || fail "son_velmo.dll exports: $exports"

allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|advapi32|shell32|ole32|oleaut32|msvcrt|ucrtbase|shared|libgcc_s_dw2-1|libstdc\+\+-6|libwinpthread-1)\.dll$'
for name in $(printf '%s\n' "$dump" | awk '/DLL Name:/ {print tolower($3)}'); do
  [[ "$name" =~ $allowed || "$name" == api-ms-win-* ]] || fail "son_velmo.dll imports $name"
done

apu=$("$objdump" -p "$bin/components/SNESAPU.DLL")
apu_exports=$(printf '%s\n' "$apu" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^\s+\[ *[0-9]+\]' | awk '{print $NF}' | LC_ALL=C sort | tr '\n' ' ')
expected="EmuAPU GetAPUData LoadSPCFile SNESAPUCallback SNESAPUInfo SeekAPU SetAPULength SetAPUOpt SetDSPAmp SetDSPStereo SetScript700 "
[ "$apu_exports" = "$expected" ] || fail "SNESAPU.DLL exports: $apu_exports"
system='^(kernel32|user32|advapi32|msvcrt|ucrtbase)\.dll$'
for name in $(printf '%s\n' "$apu" | awk '/DLL Name:/ {print tolower($3)}'); do
  [[ "$name" =~ $system || "$name" == api-ms-win-* ]] || fail "SNESAPU.DLL imports $name"
done
echo "win32 artifacts: 2 passed, 0 failed"
