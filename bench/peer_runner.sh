# The loop the project's bench runners share (sourced): every job of $JOBS, $REPS times, each
# tool of `tools_of JOB` in turn (each repetition starting with another, as peers.sh rotates
# them), timed with /usr/bin/time, its output checked with `verify JOB OUT`, one row each in
# the TSV columns of ../shared/bench/peers.sh appended to $RESULTS. A tool of a job is the
# function JOB_TOOL, run in a shell of its own with its output folder as $1, after
# $JOB_PRELUDE (what it needs that a function cannot carry, such as arrays).

elapsed_s() { awk -F: '{ if (NF == 3) print $1 * 3600 + $2 * 60 + $3; else print $1 * 60 + $2 }' <<< "$1"; }
tv() { sed -n "s/^\t$1: //p" "$2"; }

# Reads -r REPS, -j JOBS and -o FILE into those variables; `usage` prints the help.
read_peer_options() {
    local opt
    OPTIND=1
    while getopts "r:j:o:h" opt; do
        case $opt in
            r) REPS=$OPTARG ;;
            j) JOBS=$OPTARG ;;
            o) RESULTS=$OPTARG ;;
            *) usage; exit 2 ;;
        esac
    done
}

run_peers() {
    local rep job tool out load rc wall user sys rss v
    mkdir -p "$(dirname "$RESULTS")"
    [ -s "$RESULTS" ] || printf 'date\tjob\ttool\trep\trc\twall_s\tuser_s\tsys_s\tmaxrss_kb\tverify\tout_files\tout_bytes\tdetail\tload1\tversion\n' > "$RESULTS"
    for rep in $(seq 1 "$REPS"); do
        for job in $JOBS; do
            set -- $(tools_of "$job")
            for _ in $(seq 2 "$rep"); do set -- "${@:2}" "$1"; done
            for tool in "$@"; do
                out=$SCRATCH/$job-$tool
                rm -rf "$out"; mkdir -p "$out"; sync
                load=$(cut -d' ' -f1 /proc/loadavg)
                /usr/bin/time -v -o "$SCRATCH/.time" \
                    bash -c "${JOB_PRELUDE:-:}; $(declare -f "${job}_$tool"); ${job}_$tool \"\$1\"" _ "$out" > "$SCRATCH/log" 2>&1
                rc=$?
                wall=$(elapsed_s "$(tv 'Elapsed (wall clock) time (h:mm:ss or m:ss)' "$SCRATCH/.time")")
                user=$(tv 'User time (seconds)' "$SCRATCH/.time"); sys=$(tv 'System time (seconds)' "$SCRATCH/.time")
                rss=$(tv 'Maximum resident set size (kbytes)' "$SCRATCH/.time")
                if [ $rc -eq 0 ]; then v=$(verify "$job" "$out"); else v=$(printf 'FAIL rc=%s: %s\t0\t0\t' "$rc" "$(tail -1 "$SCRATCH/log" | tr '\t' ' ' | cut -c1-150)"); fi
                printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$(date -u +%FT%TZ)" "$job" "$tool" "$rep" "$rc" \
                    "$wall" "$user" "$sys" "$rss" "$v" "$load" "$(version_of "$tool")" >> "$RESULTS"
                printf '%-2s %-9s rep %-2s rc=%-3s %8ss %7s MB  %s\n' "$job" "$tool" "$rep" "$rc" "$wall" "$((rss / 1024))" "$(cut -f1,3 <<< "$v")"
                rm -rf "$out" "$SCRATCH/ref-$job-$tool"
            done
        done
    done
}
