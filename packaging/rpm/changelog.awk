# Writes a Debian changelog as an RPM's: each entry headed by its date, who
# signed it, and its version with the package's release (-v release=N).
# Entries keep their order, newest first; RPM would expand a %, so it is
# doubled.
/^[^ ]/ {
  match($0, /\([^)]*\)/)
  version = substr($0, RSTART + 1, RLENGTH - 2)
  body = ""
}
{ gsub(/%/, "%%") }
/^  \* / { body = body "- " substr($0, 5) "\n" }
/^    [^ ]/ { body = body "  " substr($0, 5) "\n" }
/^ -- / {
  split($0, signed, "  ")  # " -- Name <address>" and "Mon, 07 Dec 2026 05:28:19 +0000"
  split(signed[2], day, /,? /)
  printf "* %s %s %s %s %s - %s-%s\n%s\n", day[1], day[3], day[2], day[4], substr(signed[1], 5),
    version, release, body
}
