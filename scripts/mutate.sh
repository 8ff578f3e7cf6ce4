#!/usr/bin/env bash
# Mutation run: how much of the module the test suite guards.
#
# Each entry of scripts/mutants.txt is one small break of the module (a value
# in a register table, a comparison, a status, a deleted call, ...). For each,
# this script builds the broken module in a scratch copy of the repository,
# runs the plain Linux suite against it and records whether a test failed
# (killed) or none did (SURVIVED). It also runs a fixed set of trelhost
# sessions on the unbroken module once and on every broken one, and compares
# their outputs: "unchanged" means the break showed nowhere in the sessions
# (a candidate equivalent break, to be judged by hand); a break that survives
# yet is "visible" is a gap in the suite.
#
# The working tree is only read: its tracked and untracked (not ignored)
# files, or with --rev the tree of a commit, are copied to $TREL_MUTATE_DIR
# (default /tmp/trel-mutate), which keeps its own build between runs. Only
# files whose content changed are rewritten there, so a second run rebuilds
# little.
#
# The suite is the plain Linux ctest suite less the tests that are not about
# behaviour (module.*: binary checks, Windows build, footprint, static
# analysis; bench.*). By default a break is judged quickly: the test program
# runs once in one process; a test failing there is run again alone, as ctest
# runs it, and a failure alone kills the break. Otherwise the trelhost tests
# run, then, for a break still alive, the whole suite under ctest, so that a
# survivor has passed exactly what ctest runs.
#
# Usage: scripts/mutate.sh [--only ID[,ID...]] [--rev REV] [--list FILE] [--dir DIR]
#                          [--ctest | --full] [--check]
#   --only   run only these breaks (ids from the list)
#   --rev    copy the tree of this commit (e.g. HEAD) instead of the working
#            tree, whose files may be half-way through someone's change
#   --list   another list file (default scripts/mutants.txt)
#   --dir    scratch directory (default $TREL_MUTATE_DIR or /tmp/trel-mutate)
#   --ctest  judge every break with ctest alone, stopping at the first
#            failing test (slower)
#   --full   run the whole suite under ctest for every break and report how
#            many tests failed, as killed(N) (slowest)
#   --check  only check the list against the sources (every snippet present
#            exactly once) and print it; builds nothing
#
# Output: one line per break (id, killed/SURVIVED, visible/unchanged, what it
# does), then a summary line. Logs per break: <dir>/logs/<id>/ (build, ctest,
# sessions.diff). Exit status 0 when the run completed, 1 when the list is not
# valid or the unbroken build or suite fails.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
helper=(python3 "$repo/scripts/mutants.py")
list=$repo/scripts/mutants.txt
work=${TREL_MUTATE_DIR:-/tmp/trel-mutate}
only=""
rev=""
mode=fast
check_only=0

# Tests that are not about the module's behaviour: binary checks of the built
# files, the Windows build, the footprint and the static analysis (module.*),
# and the benchmark smoke run (bench.*, whose program is not built here).
exclude_tests='^(module|bench)\.'
# The targets the suite and the sessions need.
targets=(TrelBoard TrelBoardBroken trel_tests trelhost)

die() { printf 'mutate: %s\n' "$*" >&2; exit 1; }
usage() { sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; }

while (($#)); do
    case $1 in
        --only) (($# >= 2)) || die "--only needs ids"; only=$2; shift 2 ;;
        --only=*) only=${1#--only=}; shift ;;
        --rev) (($# >= 2)) || die "--rev needs a commit"; rev=$2; shift 2 ;;
        --list) (($# >= 2)) || die "--list needs a file"; list=$(realpath "$2"); shift 2 ;;
        --dir) (($# >= 2)) || die "--dir needs a directory"; work=$2; shift 2 ;;
        --ctest) mode=ctest; shift ;;
        --full) mode=full; shift ;;
        --check) check_only=1; shift ;;
        -h|--help) usage; exit 0 ;;
        *) die "unknown argument $1 (see --help)" ;;
    esac
done

case $(realpath -m "$work") in
    "$repo"|"$repo"/*) die "the scratch directory must lie outside the repository" ;;
esac
mkdir -p "$work"
work=$(realpath "$work")
src=$work/src
bld=$work/build
logs=$work/logs
exec 9>"$work/lock"
flock -n 9 || die "another run holds $work/lock"

start=$SECONDS
jobs=$(nproc)
note() { printf '== %s (%ds)\n' "$*" $((SECONDS - start)) >&2; }

# ---------------------------------------------------------------------------
# The sources: tracked and untracked files of the working tree as they are
# now, or the tree of the commit given.
stage=$work/stage
rm -rf "$stage"
mkdir -p "$stage" "$src"
if [[ -n $rev ]]; then
    what_copied="the tree of $rev ($(git -C "$repo" rev-parse --short "$rev^{commit}"))" || die "no commit $rev"
    git -C "$repo" archive --format=tar "$rev" | tar -xf - -C "$stage"
else
    what_copied="the working tree"
    (
        cd "$repo"
        git ls-files -z --cached --others --exclude-standard |
            while IFS= read -r -d '' f; do [[ -f $f ]] && printf '%s\0' "$f"; done |
            tar --null -T - -cf -
    ) | tar -xf - -C "$stage"
fi

# The list: every snippet must be found exactly once in those sources.
selection=$("${helper[@]}" check "$list" "$stage" "$only") ||
    die "the list $list does not match $what_copied (see above)"
[[ -n $selection ]] || die "no breaks selected"
if ((check_only)); then
    rm -rf "$stage"
    printf '%s\n' "$selection"
    printf 'mutate: %d breaks, all snippets found exactly once in %s\n' "$(grep -c . <<<"$selection")" "$what_copied"
    exit 0
fi

# Scratch copy: a file is rewritten only when its content differs (its new
# time stamp then makes ninja rebuild what depends on it); files gone go.
note "copying $what_copied to $src"
(cd "$stage" && find . -type f -print0) | while IFS= read -r -d '' f; do
    if ! cmp -s "$stage/$f" "$src/$f"; then
        mkdir -p "$(dirname "$src/$f")"
        cp --preserve=mode "$stage/$f" "$src/$f"
    fi
done
(cd "$src" && find . -type f -print0) | while IFS= read -r -d '' f; do
    [[ -e $stage/$f ]] || rm -f "$src/$f"
done
rm -rf "$stage"

# ---------------------------------------------------------------------------
build() { cmake --build "$bld" -j "$jobs" --target "${targets[@]}"; }

if [[ ! -f $bld/build.ninja ]]; then
    note "configuring $bld"
    cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$work/configure.log" 2>&1 ||
        { tail -n 30 "$work/configure.log" >&2; die "configure failed (log: $work/configure.log)"; }
fi
note "building ${targets[*]} (unbroken)"
build >"$work/build.log" 2>&1 || {
    tail -n 30 "$work/build.log" >&2
    [[ -n $rev ]] || echo "mutate: a change in progress in the working tree? --rev HEAD builds the last commit" >&2
    die "the unbroken build fails (log: $work/build.log)"
}

suite() {  # suite <log> [extra ctest args]: exit status of ctest
    local log=$1
    shift
    ctest --test-dir "$bld" -j "$jobs" -E "$exclude_tests" --timeout 120 --output-on-failure "$@" >"$log" 2>&1
}

note "running the suite (unbroken)"
suite "$work/suite.log" || { tail -n 30 "$work/suite.log" >&2; die "the suite fails on the unbroken module (log: $work/suite.log)"; }
grep -E 'tests passed|tests failed' "$work/suite.log" >&2 || true

# ---------------------------------------------------------------------------
# Sessions: every board of the catalogue with the usual sequence, a few option
# variants, the camera boards' stream format tables, and the cost table
# without its stack column (stack depth is the compiler's, not the host's view).
trelhost=$bld/tools/trelhost/trelhost
boards=$("$trelhost" list | grep -c .) || die "trelhost list fails on the unbroken module"
sessions=(list)
for ((i = 0; i < boards; ++i)); do sessions+=("run $i"); done
sessions+=(
    'run Kestrel --tune 471250000 --standard 0x10 --audio-mode 0x12'
    'run Kestrel --fm 100000000'
    'run Kestrel --standard 0x40000 --tune 183250000 --audio-mode 0x11'
    'run Kestrel --standard 0x1 --tune 801250000 --explain'
    'run "Heron I" --size 352x288 --standard 0x5F0'
    'run "Heron I" --size 176x144 --standard 0x1'
    'run "Heron II Reprise" --standard 0xFF000'
    'run Egret --signal-50hz --size 720x288'
    'run Egret --size 176x144 --standard 0x5F0'
    'run "Heron Ascent" --size 352x240'
    'run Bittern --standard 0x5F0'
    'run Wren --50hz 1'
    'run "Wren II" --50hz 1'
    'run Swift --50hz 1'
    'run Finch --50hz 1'
    'table Wren'
    'table "Wren II" --50hz 1'
    'table Swift --50hz 1'
    'table Finch'
    cost
)

run_sessions() {  # run_sessions <dir>
    local out=$1 n=0 s file rc
    rm -rf "$out"
    mkdir -p "$out"
    for s in "${sessions[@]}"; do
        file=$out/$(printf '%02d' "$n")
        n=$((n + 1))
        eval "set -- $s"
        rc=0
        # A crash is part of the output (the shell's report of it included).
        { timeout 120 "$trelhost" "$@"; } >"$file.raw" 2>&1 || rc=$?
        {
            printf '$ trelhost %s\n' "$s"
            if [[ $1 == cost ]]; then
                # Without the fourth column (module stack bytes) of the table rows.
                awk -F'|' -v OFS='|' 'NF > 5 { $5 = "" } { print }' "$file.raw"
            else
                cat "$file.raw"
            fi
            printf 'exit %s\n' "$rc"
        } >"$file"
        rm -f "$file.raw"
    done
}

# judge <log dir>: sets status (killed, killed(N) or SURVIVED) and killer.
gtest=$bld/tests/trel_tests
judge() {
    local log=$1 name
    killer=""
    case $mode in
        ctest)
            if suite "$log/ctest.log" --stop-on-failure; then status=SURVIVED; else status=killed; fi
            return ;;
        full)
            if suite "$log/ctest.log"; then status=SURVIVED; else
                status="killed($(grep -oE '[0-9]+ tests failed' "$log/ctest.log" | grep -oE '^[0-9]+' || echo '?'))"
            fi
            return ;;
    esac
    # One process first; up to five of its failures run again alone (in the
    # directory and with the arguments ctest gives them).
    if ! (cd "$bld/tests" && timeout 300 "$gtest" --gtest_brief=1) >"$log/gtest.log" 2>&1; then
        for name in $(grep -oE '^\[  FAILED  \] [^ ,]+' "$log/gtest.log" | awk '{ print $NF }' |
                      grep -vE '^[0-9]+$' | sort -u | head -n 5); do
            if ! (cd "$bld/tests" && timeout 120 "$gtest" "--gtest_filter=$name" --gtest_also_run_disabled_tests) \
                    >>"$log/alone.log" 2>&1; then
                status=killed
                killer=$name
                return
            fi
        done
    fi
    if ! suite "$log/ctest.log" --stop-on-failure -R '^trelhost\.'; then
        status=killed
        killer=$(grep -oE '[0-9]+ - trelhost\.[^ ]+' "$log/ctest.log" | head -n 1 | sed 's/^[0-9]* - //')
        return
    fi
    if suite "$log/ctest.log" --stop-on-failure; then status=SURVIVED; else
        status=killed
        killer=$(grep -oE '[0-9]+ - [^ ]+ ' "$log/ctest.log" | head -n 1 | sed 's/^[0-9]* - //')
    fi
}

note "running ${#sessions[@]} trelhost sessions (unbroken, twice)"
run_sessions "$work/sessions.base"
run_sessions "$work/sessions.again"
diff -r "$work/sessions.base" "$work/sessions.again" >/dev/null ||
    die "the sessions differ between two runs of the unbroken module: cannot compare"

# ---------------------------------------------------------------------------
current=""  # file (relative) holding a break right now
restore() {
    if [[ -n $current ]]; then
        cp "$work/original" "$src/$current"  # a fresh time stamp: ninja rebuilds it
        current=""
    fi
}
trap restore EXIT
trap 'restore; exit 130' INT TERM

rm -rf "$logs"
mkdir -p "$logs"
total=0 killed=0 buildfail=0 survived=0 survived_unchanged=0
note "running $(grep -c . <<<"$selection") breaks"
while IFS=$'\t' read -r -u 3 id file what; do
    total=$((total + 1))
    log=$logs/$id
    mkdir -p "$log"
    cp "$src/$file" "$work/original"
    current=$file
    "${helper[@]}" apply "$list" "$src" "$id" || die "cannot apply $id"
    t0=$SECONDS
    status="" visible="-" killer=""
    if ! build >"$log/build.log" 2>&1; then
        status="killed(build-fail)"
        killed=$((killed + 1))
        buildfail=$((buildfail + 1))
    else
        judge "$log"
        run_sessions "$work/sessions.mutant"
        if diff -r "$work/sessions.base" "$work/sessions.mutant" >"$log/sessions.diff" 2>&1; then
            visible=unchanged
        else
            visible=visible
        fi
        if [[ $status == SURVIVED ]]; then
            survived=$((survived + 1))
            [[ $visible == unchanged ]] && survived_unchanged=$((survived_unchanged + 1))
        else
            killed=$((killed + 1))
        fi
    fi
    restore
    line=$(printf '%-28s %-18s %-9s %s' "$id" "$status" "$visible" "$what")
    printf '%s\n' "$line"
    printf '%s  [%ds]%s\n' "$line" $((SECONDS - t0)) "${killer:+ by $killer}" >"$log/result"
done 3<<<"$selection"

note "rebuilding the unbroken module"
build >"$work/build.log" 2>&1 || die "the unbroken rebuild fails (log: $work/build.log)"

printf 'total %d, killed %d (build-fail %d), survived %d, survived-but-unchanged %d  [%ds; logs in %s]\n' \
    "$total" "$killed" "$buildfail" "$survived" "$survived_unchanged" $((SECONDS - start)) "$logs"
