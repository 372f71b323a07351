# Checks the shared id headers: awk -f check_ids.awk res/resource.h res/help_ids.h
# The help compiler and the end-to-end scenario read them as "#define NAME
# number" lines, so every #define must be that; and no number may serve twice
# (two controls with one id are one control to the window and to the
# scenario, two topics with one number one topic to F1).
$1 == "#define" && (NF != 3 || $3 !~ /^[0-9]+$/) {
  print FILENAME ":" FNR ": not \"#define NAME number\": " $0; bad = 1
}
$1 == "#define" && ($3 in owner) {
  print FILENAME ":" FNR ": " $2 " has the number " $3 " of " owner[$3]; bad = 1
}
$1 == "#define" { owner[$3] = $2; count++ }
END {
  if (!count) { print "no #define found"; bad = 1 }
  if (!bad) print count " ids, each \"#define NAME number\", no number twice"
  exit bad
}
