#!/usr/bin/env bash
# Which pieces of the runtime a linked exe still carries, read from its link map (-Wl,-Map):
# bytes per group and output section, then the archive members each runtime group brought in.
#   bench/runtime-pieces.sh MAP
# Prints figures only.
set -eu
map=$1
# libstdc++.a holds libsupc++'s members too; libsupc++.a beside it tells them apart.
libdir=$(sed -n 's#^LOAD \(.*\)/libgcc\.a$#\1#p' "$map" | head -n 1)
supcxx=$(ar t "$libdir/libsupc++.a" 2>/dev/null | tr '\n' ' ')

awk -v supcxx=" $supcxx " '
function group(file,   member) {
  if (file ~ /\.res$/) return "resources"
  if (file ~ /libstdc\+\+\.a\(/) {
    member = file; sub(/.*\(/, "", member); sub(/\)$/, "", member)
    return index(supcxx, " " member " ") ? "libsupc++" : "libstdc++"
  }
  if (file ~ /libgcc_eh\.a\(/) return "libgcc_eh (unwinder)"
  if (file ~ /libgcc\.a\(/) return "libgcc"
  if (file ~ /lib(win)?pthread\.a\(/) return "winpthread"
  # Import stubs of the DLLs: the members named after the DLL with h, t or sNNNNN.
  if (file ~ /lib[a-z0-9_]+\.a\(lib[a-z0-9_]+(h|t|s[0-9]+)\.o\)$/) return "DLL import stubs"
  if (file ~ /(crt2|crtbegin|crtend)\.o$|lib(mingw32|mingwex|moldname|msvcrt)\.a\(/)
    return "mingw crt"
  return "Zorvik"
}
function add(section, size, file,   g) {
  if (file == "" || size == 0 || !index(" " order " ", " " section " ")) return
  g = group(file)
  bytes[g, section] += size; total[g] += size; seen[section] = 1
  if (g != "Zorvik" && g != "resources" && g != "DLL import stubs" && file ~ /\(/) {
    m = file; sub(/.*\//, "", m); sub(/^lib[^(]*\.a\(/, "", m); sub(/\)$/, "", m)
    sub(/^lib(32|64)_lib[a-z0-9_]+_a-/, "", m)
    if (!((g, m) in listed)) { listed[g, m] = 1; members[g] = members[g] " " m }
  }
}
BEGIN { order = ".text .rdata .data .bss .eh_frame .pdata .xdata .idata .CRT .tls .rsrc" }
/^Linker script and memory map/ { inmap = 1; next }
!inmap { next }
/^[.][^ ]+/ { out = $1; pending = ""; next }            # an output section
/^ [.][^ ]+$/ { pending = $1; next }                     # a long input section name alone
/^ ([.][^ ]+|COMMON) +0x/ { add(out, strtonum_hex($3), $4); next }
pending != "" && /^ +0x[0-9a-f]+ +0x[0-9a-f]+ +[^ ]/ { add(out, strtonum_hex($2), $3); pending = ""; next }
{ pending = "" }
function strtonum_hex(s,   n, i, c) {
  n = 0; s = tolower(substr(s, 3))
  for (i = 1; i <= length(s); i++) { c = index("0123456789abcdef", substr(s, i, 1)) - 1; n = n * 16 + c }
  return n
}
END {
  n = 0
  split(order, all, " ")
  for (i = 1; i in all; i++) if (all[i] in seen) sections[++n] = all[i]
  line = sprintf("  %-22s", "group")
  for (i = 1; i <= n; i++) line = line sprintf(" %9s", sections[i])
  print line sprintf(" %9s", "all")
  split("Zorvik|resources|libstdc++|libsupc++|libgcc|libgcc_eh (unwinder)|winpthread|mingw crt|DLL import stubs", groups, "|")
  for (k = 1; k <= 9; k++) {
    g = groups[k]
    if (!(g in total)) continue
    line = sprintf("  %-22s", g)
    for (i = 1; i <= n; i++) line = line sprintf(" %9d", bytes[g, sections[i]])
    print line sprintf(" %9d", total[g])
  }
  for (k = 3; k <= 8; k++) {
    g = groups[k]
    if (g in members) print "  " g ":" members[g]
    else none = none " " g
  }
  if (none != "") print "  none of:" none
}' "$map"
