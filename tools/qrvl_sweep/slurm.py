"""Running a study as a Slurm job array: task i runs line i of the plan unless its output is
already done, checks that the simulator is the study's, and appends its record to finished.tsv."""

import os
import shlex

from .directory import load_planned, study_dir, write_file
from .errors import StudyError, note
from .safety import check_plain

# The record fields of finished.tsv, in its column order, as the task's shell knows them.
RECORD = ('"$output" "$task" "$point" "$replication" "$seed" "$status" "$(hostname)" "$start" '
          '"$seconds" "$version" "$sha" "$line"')


def task_script(directory, planned, allow_mixed):
    """The shell of one array task."""
    ns_field = planned.columns.index("ns") + 1 if "ns" in planned.columns else 0
    return [
        "set -u",
        "plan=%s" % shlex.quote(directory.plan),
        "runs=%s" % shlex.quote(directory.runs_tsv),
        "finished=%s" % shlex.quote(directory.finished),
        "sim=%s" % shlex.quote(planned.simulator.path),
        "planned_sha=%s" % planned.simulator.sha256,
        "version=%s" % shlex.quote(planned.simulator.version),
        'task=${SLURM_ARRAY_TASK_ID:?"SLURM_ARRAY_TASK_ID is not set"}',
        'line=$(sed -n "${task}p" "$plan")',
        'if [ -z "$line" ]; then',
        '  echo "qrvl-sweep: the plan $plan has no line $task" >&2',
        "  exit 2",
        "fi",
        "IFS=$'\\t' read -r _ point replication seed output _ < <(awk -F '\\t' "
        "-v task=\"$task\" '$1 == task' \"$runs\")",
        "# Done: one line of the summary's width (the columns, then 3 x ns unless debug < 0).",
        "if [ -s \"$output\" ] && awk -F ',' -v cols=%d -v nsf=%d "
        "'NF >= cols && (NF == cols || NF == cols + 3 * $nsf) { n++ } END { exit n != 1 }' "
        "\"$output\"; then" % (len(planned.columns), ns_field),
        '  echo "qrvl-sweep: $output is already there"',
        "  exit 0",
        "fi",
        'sha=$(sha256sum "$sim" | cut -d " " -f 1)',
        'if [ "$sha" != "$planned_sha" ]; then',
        '  if [ %s = 0 ]; then' % (1 if allow_mixed else 0),
        '    echo "qrvl-sweep: the simulator $sim has changed since the study was planned:'
        ' planned sha256 $planned_sha, now $sha" >&2',
        "    exit 2",
        "  fi",
        '  version=$("$sim" --version | head -n 1)',
        "fi",
        "start=$(date -u +%Y-%m-%dT%H:%M:%SZ)",
        "t0=$(date +%s.%N)",
        '/bin/sh -c "$line"',
        "status=$?",
        "seconds=$(awk -v a=\"$t0\" -v b=\"$(date +%s.%N)\" 'BEGIN { printf \"%.3f\", b - a }')",
        "printf '%s\\t%s\\t%s\\t%s\\t%s\\t%s\\t%s\\t%s\\t%s\\t%s\\t%s\\t%s\\n' " + RECORD +
        ' >>"$finished"',
        'exit "$status"',
    ]


def command_slurm(args):
    for option in args.sbatch or []:
        check_plain("--sbatch", option)
    directory = study_dir(args.dir)
    planned = load_planned(directory)
    if args.throttle is not None and args.throttle < 1:
        raise StudyError("--throttle must be at least 1, not %d" % args.throttle)
    path = os.path.abspath(args.output) if args.output else os.path.join(directory.path,
                                                                          "slurm.sh")
    check_plain("the script path", path)
    os.makedirs(directory.slurm, exist_ok=True)
    array = "1-%d" % planned.run_count + ("%%%d" % args.throttle if args.throttle else "")
    lines = [
        "#!/bin/bash",
        "# Slurm job array of the qrvl-sweep study in %s:" % directory.path,
        "# task i runs line i of the plan, unless its output is already done.",
        "#SBATCH --job-name=qrvl-sweep",
        "#SBATCH --array=%s" % array,
        "#SBATCH --ntasks=1",
        "#SBATCH --output=%s" % os.path.join(directory.slurm, "%A_%a.log"),
    ]
    lines += ["#SBATCH %s" % option for option in args.sbatch or []]
    lines += task_script(directory, planned, args.allow_mixed)
    write_file(path, "\n".join(lines) + "\n")
    os.chmod(path, 0o755)
    note("wrote %s for %d runs; submit it with: sbatch %s" % (path, planned.run_count, path))
    return 0
