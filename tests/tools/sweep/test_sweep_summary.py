"""Reading a run's summary line at every debug level and with every table; the averages over
replications, with D undefined where no node succeeded twice; the Student-t quantile."""

import math

import pytest
from conftest import sim_output

from qrvl_sweep.results.aggregate import PointData, header
from qrvl_sweep.results.stats import estimate, student_t_quantile
from qrvl_sweep.results.outputs import Layout, read_summary

TABLES = ("pdf_nodes=1", "pdf_slots=1", "pdf_tx_wait=1")


@pytest.fixture(scope="module")
def columns():
    return tuple(sim_output("runs=1", "debug=1").decode().split("\n")[0].split(", ")[:38])


def output(debug, *extra):
    return sim_output("nn=3", "runs=50", "seed=1", "debug=%d" % debug, *extra).decode()


@pytest.mark.e2e
@pytest.mark.parametrize("debug", [2, 1, 0, -1])
@pytest.mark.parametrize("extra", [(), TABLES, TABLES + ("pt=0.5,0.4,0.3,0.2,0.1,0.6,0.7",)])
def test_summary_found_at_every_debug_level_and_with_tables(columns, debug, extra):
    text = output(debug, *extra)
    summary = read_summary(text, Layout(columns, debug))
    wide = [line for line in text.split("\n") if line.count(",") >= 37 and
            not line.startswith("runs")]
    assert len(wide) == 1
    assert [summary[c] for c in columns] == [float(f) for f in wide[0].split(",")[:38]]
    assert summary["nn"] == 3 and summary["runs"] == 50


def cut_fields(text, keep):
    lines = text.split("\n")
    at = max(i for i, line in enumerate(lines) if line.count(",") >= 37)
    lines[at] = ",".join(lines[at].split(",")[:keep])
    return "\n".join(lines)


@pytest.mark.e2e
@pytest.mark.parametrize("make,debug,message", [
    (lambda: "", 2, "no summary line"),
    (lambda: output(1).split("\n")[0] + "\n", 1, "no summary line of the expected width after"),
    (lambda: cut_fields(output(1), 30), 1, "after the header"),
    (lambda: cut_fields(output(0), 46), 0, "no summary line"),
    (lambda: cut_fields(output(0, *TABLES), 38), 0, "no summary line"),
    (lambda: output(0).rstrip("\n") + ", 1\n", 0, "no summary line"),
    (lambda: output(-1), 0, "no summary line"),
    (lambda: output(0), -1, "no summary line"),
    (lambda: output(0).replace(", ", ", x", 1), 0, "no summary line"),
    (lambda: output(-1) * 2, -1, "2 lines that look like summary lines"),
    (lambda: output(1) + output(1), 1, "2 summary headers"),
])
def test_malformed_outputs(columns, make, debug, message):
    with pytest.raises(ValueError) as caught:
        read_summary(make(), Layout(columns, debug))
    assert message in str(caught.value)


def summary(**values):
    base = {"Ps": 0.5, "D": 1.0, "D_an": 2.0, "nn_succ": 3}
    base.update(values)
    return base


def test_d_figures_skip_runs_without_two_successes():
    point = PointData({"nn": "200"})
    for values in (dict(D=0.004), dict(D=0, D_an=0, nn_succ=0), dict(D=0.006, Ps=0.7),
                   dict(D=0, D_an=0, nn_succ=0, Ps=0.9)):
        point.add(summary(**values), ["Ps", "D", "D_an"])
    row = dict(zip(header(["nn"], ["Ps", "D", "D_an"]), point.row(["nn"], ["Ps", "D", "D_an"])))
    assert (row["replications"], row["D_n"], row["D_an_n"]) == ("4", "2", "2")
    assert float(row["D_mean"]) == pytest.approx(0.005)
    assert float(row["D_ci95"]) == pytest.approx(12.7062047362 * math.sqrt(2e-6) / math.sqrt(2))
    assert float(row["Ps_mean"]) == pytest.approx(0.65)    # every run counts for Ps
    assert "Ps_n" not in row


def test_a_figure_no_run_defines():
    point = PointData({})
    point.add(summary(nn_succ=0, D=0), ["D"])
    assert point.row([], ["D"]) == ["1", "nan", "nan", "nan", "0"]


@pytest.mark.parametrize("values,expected", [
    ([], (0, math.nan, math.nan, math.nan)),
    ([2.0], (1, 2.0, math.nan, math.nan)),
    ([1.0, 2.0, 3.0, 4.0], (4, 2.5, math.sqrt(5 / 3), 3.18244630528 * math.sqrt(5 / 3) / 2)),
    ([0.1, 0.1, 0.1], (3, 0.1, 0.0, 0.0)),
    ([1.0, math.nan], (2, math.nan, math.nan, math.nan)),
    ([1.0, math.inf], (2, math.inf, math.nan, math.nan)),
])
def test_estimates(values, expected):
    got = estimate(values)
    for have, want in zip((got.n, got.mean, got.sd, got.ci95), expected):
        assert (math.isnan(have) and math.isnan(want)) or have == pytest.approx(want, rel=1e-9)


# Tabulated quantiles of Student's t.
T_TABLE = [
    (0.975, 1, 12.7062047362), (0.975, 2, 4.30265272975), (0.975, 9, 2.26215716280),
    (0.975, 30, 2.04227245630), (0.975, 1000, 1.96233908082), (0.95, 10, 1.81246112281),
    (0.995, 5, 4.03214298356), (0.9995, 2, 31.5990545764), (0.5, 7, 0.0), (0.75, 1, 1.0),
]


@pytest.mark.parametrize("p,df,t", T_TABLE)
def test_t_quantile_against_tables(p, df, t):
    assert student_t_quantile(p, df) == pytest.approx(t, rel=1e-9, abs=1e-12)


@pytest.mark.parametrize("p,df", [(0.975, 0), (1.0, 5), (0.4, 5)])
def test_t_quantile_outside_its_domain(p, df):
    with pytest.raises(ValueError):
        student_t_quantile(p, df)
