"""Running a study as a Slurm job array: task i runs K lines of the plan (line i with K = 1),
skipping runs already done, checks that the simulator is the study's, and appends a record per
run to finished.tsv."""

import os
import shlex

from .directory import load_planned, study_dir, write_file
from .errors import StudyError, note
from .safety import check_plain

# The record fields of finished.tsv, in its column order, as the task's shell knows them.
RECORD = ('"$output" "$number" "$point" "$replication" "$seed" "$status" "$(hostname)" "$start" '
          '"$seconds" "$version" "$sha" "$line"')
# Slurm's own MaxArraySize: array indexes go up to one less.
SLURM_MAX_ARRAY = 1001


def task_script(directory, planned, allow_mixed, per_task):
    """The shell of one array task: lines (task - 1) x K + 1 to task x K of the plan."""
    ns_field = planned.columns.index("ns") + 1 if "ns" in planned.columns else 0
    return [
        "set -u",
        "plan=%s" % shlex.quote(directory.plan),
        "runs=%s" % shlex.quote(directory.runs_tsv),
        "finished=%s" % shlex.quote(directory.finished),
        "sim=%s" % shlex.quote(planned.simulator.path),
        "planned_sha=%s" % planned.simulator.sha256,
        "version=%s" % shlex.quote(planned.simulator.version),
        "per_task=%d" % per_task,
        "total=%d" % planned.run_count,
        'task=${SLURM_ARRAY_TASK_ID:?"SLURM_ARRAY_TASK_ID is not set"}',
        "first=$(( (task - 1) * per_task + 1 ))",
        "last=$(( task * per_task < total ? task * per_task : total ))",
        'if [ "$task" -lt 1 ] || [ "$first" -gt "$total" ]; then',
        '  echo "qrvl-sweep: the plan $plan has no line $first" >&2',
        "  exit 2",
        "fi",
        'mapfile -t lines < <(sed -n "${first},${last}p" "$plan")',
        "mapfile -t rows < <(awk -F '\\t' -v a=\"$first\" -v b=\"$last\" "
        "'$1 >= a && $1 <= b' \"$runs\")",
        "sha=",
        "result=0",
        'for i in "${!lines[@]}"; do',
        '  line=${lines[$i]}',
        "  IFS=$'\\t' read -r number point replication seed output _ <<<\"${rows[$i]}\"",
        "  # Done: one line of the summary's width (the columns, then 3 x ns unless debug < 0).",
        "  if [ -s \"$output\" ] && awk -F ',' -v cols=%d -v nsf=%d "
        "'NF >= cols && (NF == cols || NF == cols + 3 * $nsf) { n++ } END { exit n != 1 }' "
        "\"$output\"; then" % (len(planned.columns), ns_field),
        '    echo "qrvl-sweep: $output is already there"',
        "    continue",
        "  fi",
        '  if [ -z "$sha" ]; then',
        '    sha=$(sha256sum "$sim" | cut -d " " -f 1)',
        '    if [ "$sha" != "$planned_sha" ]; then',
        '      if [ %s = 0 ]; then' % (1 if allow_mixed else 0),
        '        echo "qrvl-sweep: the simulator $sim has changed since the study was planned:'
        ' planned sha256 $planned_sha, now $sha" >&2',
        "        exit 2",
        "      fi",
        '      version=$("$sim" --version | head -n 1)',
        "    fi",
        "  fi",
        "  start=$(date -u +%Y-%m-%dT%H:%M:%SZ)",
        "  t0=$(date +%s.%N)",
        '  /bin/sh -c "$line"',
        "  status=$?",
        "  seconds=$(awk -v a=\"$t0\" -v b=\"$(date +%s.%N)\" "
        "'BEGIN { printf \"%.3f\", b - a }')",
        "  printf '%s\\t%s\\t%s\\t%s\\t%s\\t%s\\t%s\\t%s\\t%s\\t%s\\t%s\\t%s\\n' " +
        RECORD + ' >>"$finished"',
        '  if [ "$status" != 0 ]; then result=$status; fi',
        "done",
        'exit "$result"',
    ]


def runs_per_task(planned, asked, max_array):
    """K: as asked, raised so that ceil(N / K) tasks fit below the site's MaxArraySize."""
    per_task = asked or 1
    limit = max_array - 1
    if -(-planned.run_count // per_task) > limit:
        per_task = -(-planned.run_count // limit)
        note("%d runs at %d a task need more than the %d array tasks MaxArraySize %d allows; "
             "%d runs a task" % (planned.run_count, asked or 1, limit, max_array, per_task))
    return per_task


def command_slurm(args):
    for option in args.sbatch or []:
        check_plain("--sbatch", option)
    directory = study_dir(args.dir)
    planned = load_planned(directory)
    if args.max_array < 2:
        raise StudyError("--max-array must be at least 2 (Slurm's MaxArraySize), not %d"
                         % args.max_array)
    per_task = runs_per_task(planned, args.runs_per_task, args.max_array)
    tasks = -(-planned.run_count // per_task)
    path = os.path.abspath(args.output) if args.output else os.path.join(directory.path,
                                                                          "slurm.sh")
    check_plain("the script path", path)
    os.makedirs(directory.slurm, exist_ok=True)
    array = "1-%d" % tasks + ("%%%d" % args.throttle if args.throttle else "")
    lines = [
        "#!/bin/bash",
        "# Slurm job array of the qrvl-sweep study in %s:" % directory.path,
        "# task i runs lines (i - 1) x %d + 1 to i x %d of the plan, skipping runs already done."
        % (per_task, per_task),
        "#SBATCH --job-name=qrvl-sweep",
        "#SBATCH --array=%s" % array,
        "#SBATCH --ntasks=1",
        "#SBATCH --output=%s" % os.path.join(directory.slurm, "%A_%a.log"),
    ]
    lines += ["#SBATCH %s" % option for option in args.sbatch or []]
    lines += task_script(directory, planned, args.allow_mixed, per_task)
    write_file(path, "\n".join(lines) + "\n")
    os.chmod(path, 0o755)
    note("wrote %s for %d runs in %d tasks of %d; submit it with: sbatch %s"
         % (path, planned.run_count, tasks, per_task, path))
    return 0
