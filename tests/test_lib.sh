# Sourced by the end-to-end scripts: a scratch folder removed at exit and a
# failure counter (KEEP=1 keeps the folder for a look).
tmp=$(mktemp -d) || exit 1
trap '[ -n "$KEEP" ] || rm -rf "$tmp"' EXIT
failures=0

# fail TEXT...: counts a failure and shows what the last command said on stderr.
fail() {
    failures=$((failures + 1))
    echo "FAIL: $*"
    if [ -s "$tmp/err" ]; then sed 's/^/    stderr: /' "$tmp/err"; fi
}

# run STATUS ARGS...: runs "$cli" ARGS, stdout to $tmp/out, stderr to $tmp/err;
# a failure unless it ends with STATUS, and with a message when STATUS is not 0.
run() {
    want=$1
    shift
    "$cli" "$@" >"$tmp/out" 2>"$tmp/err"
    got=$?
    [ "$got" -eq "$want" ] || { fail "vimbra-cli $* -> status $got (want $want)"; return 1; }
    [ "$want" -eq 0 ] || [ -s "$tmp/err" ] || { fail "vimbra-cli $* -> status $want without a message"; return 1; }
    return 0
}
