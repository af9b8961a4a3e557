#!/usr/bin/env bash
# zeth-host.exe against Windows plug-ins that crash, exit, hang or call from other threads, under
# wine: each row runs the real program on a scenario of one line and checks the exit status and
# the violation line that ends the transcript (or validate's line for the check), as the Linux
# table in tests/host/supervisor_test.cpp does; the words are Windows' own (the exception and its
# code where Linux names a signal).
#
# Usage: supervisor_faults.sh WINE_RUN... -- ZETH_HOST SCRIPTED_DLL THREADED_DLL WORK_FOLDER
#   WINE_RUN...  the command that runs a Windows program (wine_run.sh and its prefix)
# Prints one line per row and fails naming every row that did not hold.
set -euo pipefail

wine_run=()
while [[ $# -gt 0 && $1 != -- ]]; do
    wine_run+=("$1")
    shift
done
if [[ $# -ne 5 ]]; then
    echo "usage: $0 WINE_RUN... -- ZETH_HOST SCRIPTED_DLL THREADED_DLL WORK_FOLDER" >&2
    exit 2
fi
host=$2
scripted=$3
threaded=$4
work=$5
rm -rf "$work"
mkdir -p "$work/faults" "$work/keep"

# The scripted plug-in shows FOLDER/test.zeth_ui (its panel path is "FOLDER#MODE"): one control
# per fault, and in keep/ only the one a random operator session fails on.
{
    printf '[[control]]\nname = "Take"\n[[control]]\nname = "hammer"\n'
    for fault in crash last-words stack-overflow abort exit _exit ExitProcess loop sleep; do
        printf '[[control]]\nname = "fault:%s"\n' "$fault"
    done
} >"$work/faults/test.zeth_ui"
printf '[[control]]\nname = "fault:keep-reply"\n' >"$work/keep/test.zeth_ui"

# name | command (run, shell or validate) | plug-in | panel path | the scenario line or the
# shell's input | further options | exit status | the debug lines that must come just before the
# violation, separated by " / " | what the last violation line (validate: the check's line)
# holds, in pieces separated by " ... "
rows=$(
    cat <<'EOF'
crashInFactory|run|scripted|faults#crash-in-factory|||1||!! plugin-crashed: the plug-in "PLUGIN" died by exception 0xC0000005 (access violation) in the factory load_zeth_client_script on desk 1
crashInMessage|run|scripted|faults#|click fault:crash||1||!! plugin-crashed: the plug-in "PLUGIN" died by exception 0xC0000005 (access violation) in notify code 2 (control event fault:crash "click") on desk 1, during "click fault:crash"
lastWords|run|scripted|faults#|click fault:last-words||1|    debug: the last words /     debug: unfinished|!! plugin-crashed: the plug-in "PLUGIN" died by exception 0xC0000005 (access violation) in notify code 2 (control event fault:last-words "click")
crashInDestructor|run|scripted|faults#crash-in-destructor|||1||!! plugin-crashed: the plug-in "PLUGIN" died by exception 0xC0000005 (access violation) in the destructor on desk 1, during "the host deletes the panel"
stackOverflow|run|scripted|faults#|click fault:stack-overflow||1||!! plugin-crashed: the plug-in "PLUGIN" died by exception 0xC00000FD (stack overflow) in notify code 2
abort|run|scripted|faults#|click fault:abort||1||!! plugin-crashed: the plug-in "PLUGIN" died by exception 0x40000015 (fatal application exit: abort()) in notify code 2
exit|run|scripted|faults#|click fault:exit||1||!! plugin-exited: the plug-in "PLUGIN" ended the host's process with exit status 0 in notify code 2
underscoreExit|run|scripted|faults#|click fault:_exit||1||!! plugin-exited: the plug-in "PLUGIN" ended the host's process with exit status 0 in notify code 2
exitProcess|run|scripted|faults#|click fault:ExitProcess||1||!! plugin-exited: the plug-in "PLUGIN" ended the host's process with exit status 0 in notify code 2
loop|run|scripted|faults#|click fault:loop|--call-timeout 0.5|1||!! plugin-hung: the plug-in "PLUGIN" did not return within 0.5 s (--call-timeout); the host stopped it in notify code 2
sleep|run|scripted|faults#|click fault:sleep|--call-timeout 0.5|1||!! plugin-hung: the plug-in "PLUGIN" did not return within 0.5 s (--call-timeout); the host stopped it in notify code 2
fourThreads|run|threaded|faults#|click hammer||1||!! call-from-another-thread:  ... came from another thread than the one the host called the panel on; the host answered null and did nothing
shellCrash|shell|scripted|faults#|click fault:crash||1||!! plugin-crashed: the plug-in "PLUGIN" died by exception 0xC0000005 (access violation) in notify code 2 (control event fault:crash "click") on desk 1, during "click fault:crash"
validateCrash|validate|scripted|faults#crash-in-factory||--only factory|1||crashed   factory            died by exception 0xC0000005 (access violation) in the factory load_zeth_client_script on desk 1
validateSession|validate|scripted|keep#||--only operator-session --messages 40|1||failed    operator-session   reply-not-handed-back:  ... saved in  ... , replay: zeth-host run 
EOF
)

failed=()
while IFS='|' read -r name command plugin panel line options status debug expected; do
    case $plugin in
    scripted) dll=$scripted ;;
    threaded) dll=$threaded ;;
    esac
    expected=${expected//PLUGIN/$dll}
    # shellcheck disable=SC2206
    extra=($options)
    arguments=("$command" --plugin "$dll" --panel-path "$panel" "${extra[@]}")
    input=/dev/null
    case $command in
    run)
        printf '%s\n' "$line" >"$work/$name.zeth"
        arguments+=("$name.zeth")
        ;;
    shell)
        printf '%s\n' "$line" >"$work/$name.input"
        input=$work/$name.input
        ;;
    validate) arguments+=(--scenario-folder .) ;;
    esac
    got=0
    (cd "$work" && "${wine_run[@]}" "$host" "${arguments[@]}" <"$input" >"$name.out" 2>"$name.err") ||
        got=$?
    if [[ $command == validate ]]; then
        lines=$(grep -v '^ ' "$work/$name.out" || true)
    else
        lines=$(grep '^ *!! ' "$work/$name.out" | tail -n 1 || true)
    fi
    shown=$lines
    rest=$expected
    while [[ -n $rest && -n $shown ]]; do
        piece=${rest%% ... *}
        [[ $piece == "$rest" ]] && rest= || rest=${rest#* ... }
        shown=$(grep -F -- "$piece" <<<"$shown" || true)
    done
    # The debug lines, in order, just before the last violation line.
    before=
    if [[ -n $debug ]]; then
        wanted=${debug// \/ /$'\n'}
        at=$(grep -n '^ *!! ' "$work/$name.out" | tail -n 1 | cut -d: -f1)
        count=$(wc -l <<<"$wanted")
        ending=$(head -n "$((${at:-1} - 1))" "$work/$name.out" | tail -n "$count")
        [[ -n $at && $ending == "$wanted" ]] || before="after the debug lines: $debug"
    fi
    # The violation's explanation in the transcript is in Windows' words too.
    case $expected in
    '!! plugin-crashed'*) explained="(The plug-in's process died by an exception it did not handle" ;;
    '!! plugin-exited'*) explained="(The plug-in ended the host's process (exit, _exit, ExitProcess)" ;;
    *) explained= ;;
    esac
    if [[ -n $explained ]] && ! grep -qF -- "$explained" "$work/$name.out"; then
        before="${before:+$before; }and the explanation $explained...)"
    fi
    if [[ $got -eq $status && -n $shown && -z $before ]]; then
        echo "passed  $name"
    else
        echo "FAILED  $name: exit status $got (expected $status); wanted a line holding${before:+ ($before)}"
        echo "        $expected"
        echo "        the output (${work}/${name}.out):"
        tail -n 5 "$work/$name.out" | sed 's/^/        | /'
        sed 's/^/        ! /' "$work/$name.err" | tail -n 5
        failed+=("$name")
    fi
done <<<"$rows"

if [[ ${#failed[@]} -gt 0 ]]; then
    echo "supervisor_faults: ${#failed[@]} rows FAILED: ${failed[*]}"
    exit 1
fi
echo "supervisor_faults: every row held"
