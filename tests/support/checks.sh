# Sourced by the end-to-end scripts: each check is counted and said, and `checks_done` prints the
# closing line and fails the script if any check failed.
passed=0
failed=0
check() { # description, then a command that must succeed
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok: $what"
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
    fi
}
expect() { # description, expected, actual
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1))
        echo "ok: $1"
    else
        failed=$((failed + 1))
        echo "FAILED: $1: expected [$2], got [$3]"
    fi
}
checks_done() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
