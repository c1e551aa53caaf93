#!/bin/sh
# End-to-end checks of vimbra-cli's exit status and where its messages go.
# Usage: cli_test.sh PATH/TO/vimbra-cli
cli=$1
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
failures=0

# expect STATUS STDOUT-PATTERN STDERR-PATTERN ARGS... ("" pattern: stream must be empty)
expect() {
    want=$1 out_pat=$2 err_pat=$3
    shift 3
    "$cli" "$@" >"$tmp/out" 2>"$tmp/err"
    got=$?
    ok=1
    [ "$got" -eq "$want" ] || ok=0
    for pair in "out:$out_pat" "err:$err_pat"; do
        stream=${pair%%:*} pat=${pair#*:}
        if [ -z "$pat" ]; then
            [ -s "$tmp/$stream" ] && ok=0
        else
            grep -q -e "$pat" "$tmp/$stream" || ok=0
        fi
    done
    if [ $ok -eq 0 ]; then
        failures=$((failures + 1))
        echo "FAIL: vimbra-cli $* -> status $got (want $want)"
        echo "  stdout:"; sed 's/^/    /' "$tmp/out"
        echo "  stderr:"; sed 's/^/    /' "$tmp/err"
    fi
}

# Help and version: stdout, status 0.
expect 0 "Usage:" "" --help
expect 0 "Usage:" "" -h
expect 0 "Usage:" "" convert --help
expect 0 "^vimbra-cli [0-9]" "" --version

# Bad usage: stderr only, status 2.
expect 2 "" "no command" 
expect 2 "" "unknown command 'frob'" frob
expect 2 "" "unknown option '--bogus'" info a.png --bogus
expect 2 "" "no files" run -e "SAVE _x"
expect 2 "" "quality" convert a.png b.jpg --quality 101
expect 2 "" "unknown format" run s.bip a.jpg --format tif-lzw
expect 2 "" "give --format" convert a.png b.xyz
expect 2 "" "needs a value" run s.bip a.jpg -o

# Well-formed commands not yet wired to the engine: status 1, never a crash.
expect 1 "" "a.jpg not found." run -e "SAVE _x" a.jpg
expect 1 "" "a.png not found." convert a.png b.jpg
expect 1 "" "a.png not found." info a.png
expect 1 "" "^a.png not found.$" analyze --complexity a.png

[ $failures -eq 0 ] && echo "all vimbra-cli checks passed"
[ $failures -eq 0 ]
