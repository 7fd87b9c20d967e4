# The checks every desktop goes through, sourced after lib.sh once the desktop is up. The desktop's
# script defines how to read it: pointer ("X Y"), idle_low and idle_grows (each sets idle_seen),
# inhibited (Kivano's inhibitor listed; sets inhibit_seen).

sample_pointer() { # N readings 0.3 s apart, one a line
    for _ in $(seq 1 "$1"); do
        pointer
        sleep 0.3
    done
}
distinct() { sort -u | wc -l; }
hint_line() { # the label at the top of Kivano's window
    kivano_names | sed -n 's/^label: //p' | head -1
}
hint_is() { [ "$(hint_line)" = "$1" ]; }
# The status pane's text on one line; its moving page reads "Moving / The mouse moves by itself."
# (and the refusal's "Not moving / The desktop refused...").
status_pane() { kivano_text Status | tr '\n' ' '; }
moving_page() { grep -q -i 'the mouse moves' <<<"$1"; }
shows_moving() { moving_page "$(status_pane)"; }
fails() { ! "$@"; }
until_not() { until_ok "$1" fails "${@:2}"; } # SECONDS COMMAND...: waits until the command fails
sub() { # "X1 Y1" "X0 Y0" -> "X Y"
    local x1 y1 x0 y0
    read -r x1 y1 <<<"$1"
    read -r x0 y0 <<<"$2"
    echo "$((x1 - x0)) $((y1 - y0))"
}

not() { ! "$@"; }
# (grep reads to the end: with pipefail an early exit would fail the writer, and so the test)
kivano_up() { kivano_names | grep -E '^(push )?button: Start$' >/dev/null; }
settle() { # waits for the motions to stop coming (a motion already on its way lands), at most 5 s
    local n
    for _ in $(seq 1 10); do
        n=$(motions)
        sleep 0.5
        [ "$(motions)" = "$n" ] && return 0
    done
    return 1
}

# The first run: the dialog answered, the pointer moved, the session kept awake, Stop and Start again.
first_run() { # ALLOW-BUTTON SWITCH
    local allow=$1 switch=$2 p0 p1 n path
    local since=$SECONDS
    start_kivano
    until_ok 60 kivano_up
    local up=$?
    check "Kivano's window comes up ($((SECONDS - since)) s)" test $up -eq 0
    if [ $up -ne 0 ]; then
        echo "  on the accessibility bus: $(kivano_names 2>&1 | head -3 | tr '\n' ' ')"
        stop_kivano
        return 1
    fi
    over_kivano
    p0=$(pointer)
    press Start
    check "$desktop's own dialog answered $allow through AT-SPI" dialog answer "$allow" "$switch"
    check "Kivano's motions go to the portal" wait_motions 5 30
    local status
    until_ok 5 shows_moving
    status=$(status_pane)
    check "the status pane says it is moving ($status)" moving_page "$status"
    path=$(sample_pointer 10)
    check "the real pointer moves while Kivano moves ($(distinct <<<"$path") places in 10 readings)" \
        test "$(distinct <<<"$path")" -ge 3
    idle_low
    check "the session's idle time stays low while moving ($idle_seen)" test $? -eq 0
    until_ok 15 inhibited
    check "$inhibitor lists Kivano's inhibitor while moving ($inhibit_seen)" test $? -eq 0
    press Stop
    settle
    n=$(motions)
    p1=$(pointer)
    sleep 2
    check "the pointer stays still after Stop ($p1)" test "$(pointer)" = "$p1"
    check "no motion after Stop" test "$(motions)" = "$n"
    expect "the sum of Kivano's $n motions is the pointer's travel from $p0 to $p1" "$(sub "$p1" "$p0")" "$(motion_sum)"
    idle_grows
    check "the session's idle time grows after Stop ($idle_seen)" test $? -eq 0
    check "$inhibitor no longer lists it after Stop" until_not 15 inhibited
    press Start
    check "Start after Stop moves the pointer again" wait_motions $((n + 3)) 20
    check "without a second dialog" not dialog shown 3 "$allow"
    expect "the desktop's dialog was asked for once in the run" 1 "$(dialogs_asked)"
    press Stop
    stop_kivano
}

# Where the portal keeps the answer (version 2): the next run starts without the dialog; a malformed
# kept answer asks again, once.
kept_answer_runs() { # ALLOW-BUTTON SWITCH
    local allow=$1 switch=$2 asked n store=$XDG_CONFIG_HOME/kivano/user.reg
    check "the kept answer is stored" grep -q '"Portal Restore Token"="..*"' "$store"
    n=$(motions)
    start_kivano
    until_ok 60 kivano_up
    press Start
    check "the next run moves without the dialog" wait_motions $((n + 3)) 20
    check "and shows none" not dialog shown 3 "$allow"
    press Stop
    stop_kivano
    sed -i 's/"Portal Restore Token"=".*"/"Portal Restore Token"="not a token"/' "$store"
    asked=$(dialogs_asked)
    start_kivano
    until_ok 60 kivano_up
    press Start
    check "a malformed kept answer: the dialog comes again" dialog answer "$allow" "$switch"
    n=$(motions)
    check "and Kivano moves after it" wait_motions $((n + 3)) 20
    expect "the desktop asked once for that Start" $((asked + 1)) "$(dialogs_asked)"
    press Stop
    stop_kivano
}

# The user cancels: Kivano says so, and Stop then Start asks the desktop again, once.
refusal_run() { # ALLOW-BUTTON SWITCH
    local allow=$1 switch=$2 asked n hint
    rm -f "$XDG_CONFIG_HOME/kivano/user.reg"
    start_kivano
    until_ok 60 kivano_up
    press Start
    check "$desktop's own dialog answered Cancel through AT-SPI" dialog answer Cancel
    until_ok 10 hint_is "Desktop refused: press Stop, then Start"
    hint=$(hint_line)
    expect "after Cancel the hint line says so" "Desktop refused: press Stop, then Start" "$hint"
    local status
    for _ in 1 2 3; do # a page being loaded reads empty for a moment
        status=$(status_pane)
        moving_page "$status" && break
        sleep 0.5
    done
    check "and the status pane does not claim to be moving ($status)" not moving_page "$status"
    asked=$(dialogs_asked)
    n=$(motions)
    press Stop
    press Start
    dialog shown 20 "$allow"
    local back=$?
    check "Stop then Start brings the desktop's dialog back" test $back -eq 0
    if [ $back -eq 0 ]; then
        dialog answer "$allow" "$switch" >/dev/null
        check "then Kivano moves" wait_motions $((n + 3)) 20
        sleep 2
    fi
    expect "the desktop asked exactly once for that Start" $((asked + 1)) "$(dialogs_asked)"
    press Stop
    stop_kivano
}

run_checks() { # ALLOW-BUTTON [SWITCH-TO-TURN-ON]
    local allow=$1 switch=${2:-} version
    first_run "$allow" "$switch"
    version=$(gdbus call --session --dest org.freedesktop.portal.Desktop --object-path /org/freedesktop/portal/desktop \
        --method org.freedesktop.DBus.Properties.Get org.freedesktop.portal.RemoteDesktop version |
        sed -n 's/.*uint32 \([0-9]*\).*/\1/p')
    if [ "${version:-0}" -ge 2 ]; then
        kept_answer_runs "$allow" "$switch"
    else
        echo "SKIP: the portal's RemoteDesktop is version ${version:-unknown}: it keeps no answer between runs"
    fi
    refusal_run "$allow" "$switch"
}
