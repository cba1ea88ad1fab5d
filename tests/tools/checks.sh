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
debug_run() {   # quill-debug, script: one DAP session as an editor starts it; prints its output and exit events
    rm -f "$work/dap.in"
    mkfifo "$work/dap.in"
    "$1" < "$work/dap.in" > "$work/dap.out" 2>&1 &
    exec 3>"$work/dap.in"
    for m in '{"seq":1,"type":"request","command":"initialize","arguments":{"adapterID":"vantor"}}' \
             '{"seq":2,"type":"request","command":"launch","arguments":{"program":"'"$2"'"}}' \
             '{"seq":3,"type":"request","command":"configurationDone"}'; do
        printf 'Content-Length: %d\r\n\r\n%s' "${#m}" "$m" >&3
    done
    waited=0   # the end of the run, for up to 30 s
    while ! grep -q '"event":"terminated"' "$work/dap.out" && [ $waited -lt 300 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    exec 3>&-   # the client goes: so does quill-debug
    wait $!
    grep -o '"output":"[^"]*"\|"exitCode":[0-9]*' "$work/dap.out" | tr '\n' ' '
}
