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


# A value that breaks the rule (a list gets it as its one element), within the option's bounds
# where one side of the rule allows it, so that no other rule refuses it first.
def breaking(rule, option):
    if "not" in rule:
        return str(rule["not"])
    if rule.get("finite"):
        return "nan"
    step = 1 if rule.get("integer") else 0.5
    sides = [rule[b] + d for b, d in (("min", -step), ("max", step)) if b in rule]
    inside = [x for x in sides if option.get("min", x) <= x <= option.get("max", x)]
    return repr((inside or sides)[0])


# The words that set a rule's condition on (a flag to 1, a keyword to its value), or off.
def condition(rule, on, options):
    words = []
    for word, value in rule.get("when", {}).items():
        if value == "on":
            words.append("%s=%d" % (word, on))
        else:
            others = [v for v in options[word]["values"] if v != value]
            words.append("%s=%s" % (word, value if on else others[0]))
    return words


def test_every_rule_is_enforced_with_its_status_and_words():
    options = {option["word"]: option for option in described()["options"]}
    for option in options.values():
        for rule in option["rules"]:
            given = "%s=%s" % (option["word"], breaking(rule, option))
            others = [w for other in option["rules"] if other is not rule and "when" in other
                      for w in condition(other, False, options)]
            run = sim(given, *others, *condition(rule, True, options), *BASE)
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
                off = [w for rule in option["rules"] if "when" in rule
                       for w in condition(rule, False, options)]
                err = sim(given, *off, "debug=3", "runs=3", "seed=1").err
                assert given + " is invalid" not in err and "See %s -h" % SIM not in err, err
