# The checks every desktop goes through, sourced after lib.sh once the desktop is up. The desktop's
# script defines how to read and drive it:
#   pointer             where the pointer is, "X Y", read from the desktop itself
#   over_kivano         puts the pointer over Kivano's window, as a user who clicks Start has it
#   idle_low, idle_grows  the session's idle time short while moving, growing after (each sets idle_seen);
#                       or idle_ms, the idle time in ms, and idle_source, whence it is read
#   inhibited           the desktop lists Kivano's inhibitor (sets inhibit_seen); `inhibitor` names the list
#   keys KEY...         keys typed as a person types them
#   lock_screen         locks the screen, where the desktop can (else the lock run is skipped); and
#                       lock_ends_session=1 where the desktop then ends the remote-desktop session
#   backend, faults     the portal back end's bus name, and the desktop's own ways to end the sharing
# and where the defaults of lib.sh do not fit (the X11 desktops): motions, screen_locked, unlock_screen,
# first_motion_after, portal=no (no portal, no dialog), locks_after_idle and idle_ms for the awake run;
# gtk_theme=1 where the desktop's theme is GTK's, which Kivano then takes.

# Where the desktop reads its idle time in milliseconds (idle_ms, from idle_source), the two judges of
# it; a desktop that reads it otherwise (KDE's idle watch) gives its own.
if ! declare -F idle_low >/dev/null; then
    idle_low() {
        local ms
        ms=$(idle_ms)
        idle_seen="$idle_source: idle ${ms:-unread} ms"
        [ -n "$ms" ] && [ "$ms" -lt 3000 ]
    }
    idle_grows() {
        local a b
        a=$(idle_ms)
        sleep 2
        b=$(idle_ms)
        idle_seen="$idle_source: idle ${a:-unread} ms, 2 s later ${b:-unread} ms"
        [ -n "$a" ] && [ -n "$b" ] && [ "$b" -ge $((a + 1500)) ]
    }
fi

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
    start_kivano_up
    check "Kivano's window comes up ($((SECONDS - since)) s)" true
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
    start_kivano_up
    press Start
    check "the next run moves without the dialog" wait_motions $((n + 3)) 20
    check "and shows none" not dialog shown 3 "$allow"
    press Stop
    stop_kivano
    sed -i 's/"Portal Restore Token"=".*"/"Portal Restore Token"="not a token"/' "$store"
    asked=$(dialogs_asked)
    start_kivano_up
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
    start_kivano_up
    press Start
    check "$desktop's own dialog answered Cancel through AT-SPI" dialog answer Cancel
    until_ok 10 hint_is "Desktop refused: press Stop, then Start"
    hint=$(hint_line)
    expect "after Cancel the hint line says so" "Desktop refused: press Stop, then Start" "$hint"
    local status
    for _ in 1 2 3 4 5 6; do # a page being loaded reads empty for a moment
        status=$(status_pane)
        [ -n "${status// /}" ] && break
        sleep 0.5
    done
    # Read back first, so that a reader that sees nothing fails this rather than passing it.
    check "and the status pane does not claim to be moving ($status)" \
        eval '[ -n "${status// /}" ] && ! moving_page "$status"'
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

# The desktop's dialog where it shows one (none where a kept answer holds), answered: waited for until
# it comes or Kivano moves without it, as a slow desktop can take seconds to draw it.
answer_if_asked() { # ALLOW-BUTTON SWITCH; sets dialog_seen
    local n deadline=$((SECONDS + 20))
    n=$(motions)
    dialog_seen=no
    until [ "$(motions)" -gt "$n" ] || [ $SECONDS -ge $deadline ]; do
        if dialog shown 1 "$1"; then
            dialog_seen=yes
            dialog answer "$1" "$2" >/dev/null
            return 0
        fi
    done
}
# (the pane read back non-empty first: a reader that sees nothing fails it)
shows_not_moving() {
    local s
    s=$(status_pane)
    [ -n "${s// /}" ] && ! moving_page "$s"
}
refused_now() { hint_is "Desktop refused: press Stop, then Start" && shows_not_moving; }

# Kivano started, its window up on the accessibility bus. A Kivano that never came up stops the desktop's
# run here, with a plain message, rather than failing later as something else.
start_kivano_up() {
    start_kivano
    if until_ok 60 kivano_up; then
        # (once a run of the desktop: the plugin is loaded with the window, or never)
        [ "${gtk_theme:-}" = 1 ] && [ "$kivano_runs" -eq 1 ] &&
            check "Kivano takes $desktop's GTK theme (Qt's GTK theme plugin loaded)" \
                grep -q /libqgtk3 "/proc/$kivano_pid/maps"
        return 0
    fi
    echo "FAIL: $desktop: Kivano's window never came up on the accessibility bus ($(kivano_names 2>&1 | head -3 | tr '\n' ' '))"
    exit 1
}
# Kivano started and moving, the desktop's dialog answered if it comes; or the desktop's run stops.
start_moving() { # ALLOW-BUTTON SWITCH
    local n
    start_kivano_up
    n=$(motions)
    press Start
    answer_if_asked "$1" "$2"
    wait_motions $((n + 3)) 30 && return 0
    echo "FAIL: $desktop: Kivano did not move after Start"
    exit 1
}
# The user's Stop then Start, the desktop's dialog answered if it comes.
stop_start() { # ALLOW-BUTTON SWITCH
    press Stop
    press Start
    answer_if_asked "$1" "$2"
}
pointer_moves() { # WHAT: the real pointer is seen in three places or more
    local path
    path=$(sample_pointer 8)
    check "$1 ($(distinct <<<"$path") places in 8 readings)" test "$(distinct <<<"$path")" -ge 3
}

# Ways the desktop takes the pointer away mid-run, as a working day brings them.
kill_front_end() { kill -9 "$(pid_of org.freedesktop.portal.Desktop)"; }
kill_back_end() { kill -9 "$(pid_of "$backend")"; }

# The desktop takes the pointer away while Kivano moves, one way after another, in one run: each time
# Kivano says so within 3 s, sends nothing more, keeps the session awake, and the user's Stop then Start
# gets the pointer back with the desktop's dialog at most once.
fault_runs() { # ALLOW-BUTTON SWITCH FAULT...
    local allow=$1 switch=$2 fault n at since asked starts seen
    shift 2
    start_moving "$allow" "$switch"
    for fault in "$@"; do
        n=$(motions)
        starts=$(starts_of "$backend")
        since=$SECONDS
        $fault
        until_ok 3 refused_now
        seen=$?
        check "$fault: Kivano shows the refusal within 3 s ($((SECONDS - since)) s; status: $(status_pane))" test $seen -eq 0
        at=$(motions)
        sleep 10
        check "$fault: no motion after that ($((at - n)) before it was seen, $(($(motions) - at)) in the 10 s after; the back end started $(($(starts_of "$backend") - starts)) times)" \
            test "$(motions)" -eq "$at"
        check "$fault: $inhibitor still lists Kivano's inhibitor" until_ok 15 inhibited
        asked=$(dialogs_asked)
        stop_start "$allow" "$switch"
        check "$fault: Stop then Start moves again" wait_motions $((at + 3)) 30
        pointer_moves "$fault: the real pointer moves again"
        check "$fault: with the dialog at most once ($(($(dialogs_asked) - asked)) asked, a dialog seen: $dialog_seen)" \
            test "$(dialogs_asked)" -le $((asked + 1))
    done
    press Stop
    stop_kivano
}

# When (seconds since the epoch) the first call matching PATTERN went out after T, by the monitor's stamps.
first_call_after() { # T PATTERN
    awk -v t="$1" -v pat="$2" '$0 ~ pat && match($0, /time=[0-9.]+/) &&
        substr($0, RSTART + 5, RLENGTH - 5) + 0 > t + 0 { print substr($0, RSTART + 5, RLENGTH - 5); exit }' "$work/monitor.log"
}
seconds_since() { [ -n "$2" ] && awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }' || echo none; } # T0 T1
sessions_opened() { grep -c 'interface=org.freedesktop.portal.RemoteDesktop; member=CreateSession' "$work/monitor.log"; }
# When Kivano's first motion after T went out; a desktop script where Kivano moves without the portal
# (X11) defines its own.
declare -F first_motion_after >/dev/null || first_motion_after() { first_call_after "$1" 'member=NotifyPointerMotion'; }

# The screen locked while Kivano moves, then unlocked, where the desktop script can lock it (lock_screen,
# and lock_ends_session=1 where the desktop then ends the remote-desktop session; lib.sh's screen_locked
# and unlock_screen go through logind). Under the lock Kivano sends nothing, holds no inhibitor and the
# session goes idle; after the unlock it moves again by itself within 3 s, no key pressed, opening a
# new session only where the desktop ended its own, with the dialog at most once (none where the portal
# keeps the answer).
lock_run() { # ALLOW-BUTTON SWITCH
    local n early p since held idle t0 first asked_at opened asked kept=no took locked ended hinted listed
    if ! declare -F lock_screen >/dev/null; then
        echo "SKIP: $desktop cannot lock here: its lock screen needs systemd's /run/systemd/seats"
        return 0
    fi
    start_moving "$1" "$2"
    until_ok 15 inhibited
    listed=$? # (where nothing lists Kivano's inhibitor, there is none to let go)
    opened=$(sessions_opened)
    asked=$(dialogs_asked)
    n=$(motions)
    t0=$(date +%s.%N)
    lock_screen
    until_ok 10 screen_locked
    locked=$?
    # Which Kivano heard of first, where the desktop ended the session: a real GNOME ends it before it
    # sets LockedHint (and before its ActiveChanged).
    ended=$(first_call_after "$t0" 'interface=org.freedesktop.portal.Session; member=Closed')
    hinted=$(awk -v t="$t0" '/SetLockedHint True/ && $1 > t + 0 { print $1; exit }' "$work/logind.log" 2>/dev/null)
    check "the screen locks${hinted:+ (LockedHint after $(seconds_since "$t0" "$hinted") s)}${ended:+ (the session ended after $(seconds_since "$t0" "$ended") s)}" \
        test $locked -eq 0
    sleep 1 # a motion already on its way lands
    early=$(($(motions) - n))
    n=$(motions)
    p=$(pointer)
    since=$SECONDS
    until_not 15 inhibited
    held=$?
    idle_grows
    idle=$?
    [ $((SECONDS - since)) -lt 6 ] && sleep $((since + 6 - SECONDS)) # a few seconds locked, at the least
    check "under the lock no motion goes out ($early until a second after the lock, $(($(motions) - n)) in the $((SECONDS - since)) s after)" \
        test "$(motions)" -eq "$n"
    check "under the lock the pointer stays put (${p:-unread}, then $(pointer))" test -n "$p" -a "$(pointer)" = "$p"
    if [ $listed -eq 0 ]; then
        check "under the lock $inhibitor does not list Kivano's inhibitor ($inhibit_seen)" test $held -eq 0
    else
        echo "SKIP: $inhibitor did not list Kivano's inhibitor while it moved ($inhibit_seen)"
    fi
    check "under the lock the session's idle time grows ($idle_seen)" test $idle -eq 0
    unlock_screen
    t0=$(date +%s.%N) # (after a person's unlock has typed the password)
    check "the screen unlocks" until_not 10 screen_locked
    answer_if_asked "$1" "$2"
    wait_motions $((n + 1)) 10
    first=$(first_motion_after "$t0")
    asked_at=$(first_call_after "$t0" 'interface=org.freedesktop.impl.portal.RemoteDesktop; member=Start')
    # Kivano's part ends where the desktop shows its dialog; the answer is the test's.
    took=$(seconds_since "$t0" "${asked_at:-$first}")
    check "after the unlock Kivano moves again by itself, no key pressed, within 3 s (first motion after $(seconds_since "$t0" "$first") s${asked_at:+; the dialog asked for after $(seconds_since "$t0" "$asked_at") s})" \
        awk -v s="$took" -v m="$first" 'BEGIN { exit !(m != "" && s != "none" && s <= 3) }'
    pointer_moves "after the unlock the real pointer moves"
    [ $listed -eq 0 ] && check "after the unlock $inhibitor lists Kivano's inhibitor again" until_ok 15 inhibited
    if [ "${portal:-yes}" = yes ]; then # (the remote-desktop session's)
        expect "a new session only where the desktop ended its own under the lock (sessions opened after the unlock)" \
            "${lock_ends_session:-0}" $(($(sessions_opened) - opened))
        # (With a kept answer the portal still asks the desktop, which then shows nothing.)
        asked=$(($(dialogs_asked) - asked))
        [ "${portal_version:-0}" -ge 2 ] && kept=yes
        check "after the unlock the desktop was asked $asked times, at most once, and showed its dialog: $dialog_seen (portal version ${portal_version:-unknown}; kept answer: $kept)" \
            test $asked -le 1 -a "$kept$dialog_seen" != yesyes
    fi
    press Stop
    stop_kivano
}

# Waits up to SECONDS for the screen to lock; sets idle_at_lock to how long the session had been idle
# by then (the desktop script's idle_ms).
lock_within() {
    local ms from=$SECONDS
    idle_at_lock=
    ms=$(idle_ms)
    from=$((from - ${ms:-0} / 1000))
    until_ok "$1" screen_locked && idle_at_lock=$((SECONDS - from))
}
about_a_minute_idle() { [ "${idle_at_lock:-0}" -ge $((locks_after_idle - 5)) ] && [ "${idle_at_lock:-999}" -le $((locks_after_idle + 30)) ]; }
# The screen saver set to lock after a minute idle (the desktop script sets locks_after_idle, in
# seconds): left alone the screen locks; with Kivano moving for 3 minutes it never does; after Stop it
# locks again. Each lock is unlocked as the desktop script unlocks.
awake_run() { # ALLOW-BUTTON SWITCH
    local locked=0 since n
    if [ -z "${locks_after_idle:-}" ]; then
        echo "SKIP: $desktop: no screen saver here is set to lock after a minute idle"
        return 0
    fi
    lock_within 120
    check "left alone the screen locks after $locks_after_idle s idle (locked at ${idle_at_lock:-none in 120} s)" \
        about_a_minute_idle
    unlock_screen
    until_not 10 screen_locked
    start_moving "$1" "$2"
    n=$(motions)
    since=$SECONDS
    while [ $((SECONDS - since)) -lt 180 ]; do
        screen_locked && locked=$((locked + 1))
        sleep 2
    done
    check "with Kivano moving for 3 minutes it never locks (locked at $locked readings 2 s apart; $(($(motions) - n)) motions)" \
        test $locked -eq 0
    press Stop
    lock_within 120
    check "after Stop the screen locks again, after $locks_after_idle s idle (at ${idle_at_lock:-none in 120} s)" \
        about_a_minute_idle
    unlock_screen
    until_not 10 screen_locked
    stop_kivano
}

# Start, Stop and the retry after a refusal with the keyboard alone (the desktop script's `keys`), as
# a person without a mouse: Tab until the Start button has the focus, then Space.
keyboard_run() { # ALLOW-BUTTON SWITCH
    local n tabs=0
    rm -f "$XDG_CONFIG_HOME/kivano/user.reg" # no kept answer: the dialog comes, to be cancelled
    start_kivano_up
    keys Shift_L # the keyboard made ready; a modifier alone does nothing
    # Start has the focus first; round the window once, as a person finding it would.
    until { [ $tabs -gt 0 ] && [ "$(kivano_focus)" = Start ]; } || [ $tabs -ge 12 ]; do
        keys Tab
        tabs=$((tabs + 1))
    done
    check "by keyboard: Tab reaches Start ($tabs presses)" test "$(kivano_focus)" = Start
    keys space
    check "by keyboard: Space on Start brings the desktop's dialog, cancelled" dialog answer Cancel
    check "by keyboard: Kivano then says the desktop refused" until_ok 10 refused_now
    n=$(motions)
    keys space # Stop
    until_ok 5 kivano_up
    keys space # Start
    check "by keyboard: Stop then Start asks again, allowed" dialog answer "$1" "$2"
    check "by keyboard: Kivano moves" wait_motions $((n + 3)) 20
    keys space # Stop
    settle
    n=$(motions)
    sleep 2
    check "by keyboard: Space on Stop stops it" test "$(motions)" -eq "$n"
    stop_kivano
}

# KIVANO_DESKTOP_RUNS names the runs to make (default: all of them, in this order).
run_checks() { # ALLOW-BUTTON [SWITCH-TO-TURN-ON]
    local allow=$1 switch=${2:-} runs=" ${KIVANO_DESKTOP_RUNS:-first kept refusal faults lock keyboard} "
    [[ $runs == *" first "* ]] && first_run "$allow" "$switch"
    [ "${portal:-yes}" = yes ] && portal_version=$(gdbus_call --dest org.freedesktop.portal.Desktop \
        --object-path /org/freedesktop/portal/desktop --method org.freedesktop.DBus.Properties.Get \
        org.freedesktop.portal.RemoteDesktop version | sed -n 's/.*uint32 \([0-9]*\).*/\1/p')
    if [ "${portal:-yes}" = no ]; then
        : # no portal: the X11 script said which runs do not apply
    elif [ "${portal_version:-0}" -lt 2 ]; then
        echo "SKIP: the portal's RemoteDesktop is version ${portal_version:-unknown}: it keeps no answer between runs"
    elif [[ $runs == *" kept "* ]]; then
        kept_answer_runs "$allow" "$switch"
    fi
    [[ $runs == *" refusal "* ]] && refusal_run "$allow" "$switch"
    # KIVANO_DESKTOP_FAULTS names the faults to cause (default: every one this desktop offers).
    local causes
    read -r -a causes <<<"${KIVANO_DESKTOP_FAULTS:-kill_back_end kill_front_end ${faults[*]}}"
    [[ $runs == *" faults "* ]] && fault_runs "$allow" "$switch" "${causes[@]}"
    [[ $runs == *" lock "* ]] && lock_run "$allow" "$switch"
    [[ $runs == *" keyboard "* ]] && keyboard_run "$allow" "$switch"
    [[ $runs == *" awake "* ]] && awake_run "$allow" "$switch"
    return 0
}
