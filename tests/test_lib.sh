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
