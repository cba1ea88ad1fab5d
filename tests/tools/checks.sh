# Shared by the scripted shell checks: one result per check, and the
# closing 'N passed, N failed' line. Source it, call check, end with finish.
passed=0 failed=0
check() {   # title, expected, actual
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAIL %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
    fi
}
finish() {   # a run that checked nothing has not passed
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
}
