# qrvl_sim --describe against the simulator's own behaviour: every option it lists is read with the
# built-in value it states, every rule it states is enforced with the status and words it states,
# its bounds are accepted, and its columns are the summary line's.
from simulator import SIM, described, sim

BASE = ["seed=1", "debug=1", "runs=300"]


def test_version_columns_and_every_builtin_value_are_the_programs():
    plain = sim(*BASE).out
    assert described()["version"] == sim("--version").out.rstrip("\n")
    assert described()["columns"] == plain.splitlines()[0].split(", ")[:38]
    for option in described()["options"]:
        value, kind = option["builtin"], option["kind"]
        if value is None or isinstance(value, dict):
            continue
        if isinstance(value, float) and value.is_integer() and kind != "real":
            value = int(value)
        text = ",".join([str(value)] * 3) if kind == "list" else str(value)
        run = sim(*BASE, "%s=%s" % (option["word"], text))
        assert (run.status, run.out) == (0, plain), (option["word"], run.err)


# A value that breaks the rule (a list gets it as its one element).
def breaking(rule):
    if "not" in rule:
        return str(rule["not"])
    if rule.get("finite"):
        return "nan"
    step = 1 if rule.get("integer") else 0.5
    return repr(rule["min"] - step) if "min" in rule else repr(rule["max"] + step)


def test_every_rule_is_enforced_with_its_status_and_words():
    for option in described()["options"]:
        for rule in option["rules"]:
            given = "%s=%s" % (option["word"], breaking(rule))
            run = sim(given, *("%s=1" % flag for flag in rule.get("when", {})), *BASE)
            assert run.status == rule["status"], (given, rule, run.err)
            subject = "value 1" if option["kind"] == "list" else "the value"
            if rule["status"] == 1 and "not" not in rule:
                message = "%s %s" % (subject, rule["message"])
                assert run.err == "Error: %s is invalid: %s.\n" % (given, message)


def test_bounds_are_accepted_and_builtins_that_are_not_constants_say_so():
    options = {option["word"]: option for option in described()["options"]}
    assert (options["seed"]["builtin"], options["progress"]["builtin"]) == (
        {"special": "clock"}, {"special": "terminal"})
    for word, option in options.items():
        assert option["kind"] not in ("integer", "flag") or {"min", "max"} <= set(option), word
        for bound in ("min", "max"):
            if bound in option and option["kind"] != "list":
                # The word comes first, so that it wins over the dump that ends the run before its
                # first session.
                given = "%s=%r" % (word, option[bound])
                err = sim(given, "debug=3", "runs=3", "seed=1").err
                assert given + " is invalid" not in err and "See %s -h" % SIM not in err, err
