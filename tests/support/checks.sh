# Sourced by the end-to-end scripts: each check is counted and said, and `checks_done` prints the
# closing line and fails the script if any check failed. A script may set check_ok and check_failed
# to the words it prefers (the real-desktop scripts print PASS and FAIL).
passed=0
: "${check_ok:=ok}" "${check_failed:=FAILED}"
failed=0
check() { # description, then a command that must succeed
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "$check_ok: $what"
    else
        failed=$((failed + 1))
        echo "$check_failed: $what"
    fi
}
expect() { # description, expected, actual
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1))
        echo "$check_ok: $1"
    else
        failed=$((failed + 1))
        echo "$check_failed: $1: expected [$2], got [$3]"
    fi
}
now_us() { echo "${EPOCHREALTIME//[!0-9]/}"; } # microseconds, whatever the locale's decimal sign
waitFor() { # tenths of a second, then a command; true once the command succeeds within that time
    local end=$(($(now_us) + $1 * 100000))
    shift
    until "$@"; do
        [ "$(now_us)" -ge "$end" ] && return 1
        sleep 0.1
    done
}
checks_done() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
