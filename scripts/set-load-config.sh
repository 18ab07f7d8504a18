#!/usr/bin/env bash
# Points a linked Zorvik.exe's load-configuration directory (data directory 10) at the
# _load_config_used that app/load_config_win.cpp defines. GNU ld 2.40 (Debian 12) leaves that
# directory empty; newer versions fill it in themselves. The address comes from the link map,
# the size from the structure's own first field (64 on i686, as ld writes it there too).
# The header's checksum, which ld computed before, is then computed again over the new bytes.
#   scripts/set-load-config.sh EXE MAP
set -euo pipefail
exe=$1 map=$2
address=$(sed -nE 's/^ +0x0*([0-9a-f]+) +_load_config_used$/\1/p' "$map")
[ -n "$address" ] || { echo "$map names no _load_config_used" >&2; exit 1; }
u16() { od -An -tu2 -j "$1" -N2 "$exe" | tr -d ' '; }
u32() { od -An -tu4 -j "$1" -N4 "$exe" | tr -d ' '; }
le32() { printf '\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24)); }
header=$(u32 60)
optional=$((header + 24))
case $(u16 $optional) in
  267) base=$(u32 $((optional + 28))) directories=$((optional + 96)) ;;                    # PE32
  523) base=$(($(u32 $((optional + 24))) | $(u32 $((optional + 28))) << 32)) directories=$((optional + 112)) ;; # PE32+
  *) echo "$exe is no PE image" >&2; exit 1 ;;
esac
rva=$((0x$address - base))

# The PE checksum: the file's 16-bit words (od pads an odd last byte), its own field as zero, added with the carries
# folded back in, plus the file's length.
set_checksum() {
  local field=$((optional + 64)) length sum
  length=$(stat -c %s "$exe")
  sum=$(od -An -v -tu2 "$exe" | awk -v skip=$((field / 2)) '
    { for (i = 1; i <= NF; i++) { if (n != skip && n != skip + 1) { s += $i; s = s % 65536 + int(s / 65536) } n++ } }
    END { print s }')
  sum=$(((sum & 0xffff) + (sum >> 16)))
  printf "$(le32 $(((sum & 0xffff) + length)))" |
    dd of="$exe" bs=1 seek=$field conv=notrunc status=none
}
# The structure's place in the file, through the section table.
sections=$((optional + $(u16 $((header + 20)))))
for ((i = 0; i < $(u16 $((header + 6))); i++)); do
  at=$((sections + 40 * i))
  start=$(u32 $((at + 12))) raw=$(u32 $((at + 16)))
  if ((rva >= start && rva + 4 <= start + raw)); then
    size=$(u32 $(($(u32 $((at + 20))) + rva - start)))
    printf "$(le32 $rva)$(le32 "$size")" |
      dd of="$exe" bs=1 seek=$((directories + 10 * 8)) conv=notrunc status=none
    set_checksum
    exit 0
  fi
done
echo "$exe: _load_config_used lies in no section's file data" >&2
exit 1
